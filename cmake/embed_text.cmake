# cmake -DINPUT=<file> -DOUTPUT=<file.cpp> -DSYMBOL=<name> -P embed_text.cmake
# Writes a C++ source that defines `const char SYMBOL[]` with the bytes of
# INPUT and a terminating NUL, so a text file ships inside the executable
# exactly as it is tested.
file(READ "${INPUT}" bytes HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," body "${bytes}")
string(REGEX REPLACE "(('\\\\x[0-9a-f][0-9a-f]',){16})" "\\1\n    " body "${body}")
file(WRITE "${OUTPUT}.tmp"
  "// Generated from ${INPUT}; do not edit.\n"
  "extern const char ${SYMBOL}[];\n"
  "const char ${SYMBOL}[] = {\n    ${body}'\\0'};\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
