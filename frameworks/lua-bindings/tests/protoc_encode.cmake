# cmake -DPROTOC=... -DPROTO=... -DMESSAGE=... -DINPUT=text -DOUTPUT=binary -P protoc_encode.cmake
# protoc --encode reads the text message on its standard input.
get_filename_component(proto_dir "${PROTO}" DIRECTORY)
get_filename_component(proto_name "${PROTO}" NAME)
# In a fresh build tree nothing has made the output's folder yet.
get_filename_component(output_dir "${OUTPUT}" DIRECTORY)
file(MAKE_DIRECTORY "${output_dir}")
execute_process(COMMAND "${PROTOC}" "--encode=${MESSAGE}" "-I${proto_dir}" "${proto_name}"
                INPUT_FILE "${INPUT}" OUTPUT_FILE "${OUTPUT}" ERROR_VARIABLE errors RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  file(REMOVE "${OUTPUT}")
  message(FATAL_ERROR "protoc --encode failed (${result}): ${errors}")
endif()
