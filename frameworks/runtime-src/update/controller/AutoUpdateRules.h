// The update controller's decisions that need no engine: what a gateway
// answer says, and which alert text an updater error shows. Any thread.
#pragma once

#include <string>

struct GatewayAnswer {
    enum class Kind {
        NotJson,  // parseError holds rapidjson's error code
        NoRes,    // no usable "Res": the update is skipped
        Res,      // resUrl holds the resource list's address
    };
    Kind kind = Kind::NoRes;
    int parseError = 0;
    std::string resUrl;
};

// A body that is not one JSON document is NotJson. A root that is not an
// object, a "Res" that is missing, not a string or empty is NoRes (the value
// counts up to its first NUL).
GatewayAnswer readGatewayAnswer(const std::string& body);

// The alert text for an updater error: id 0 reserr_0; id 1 reserr_1_1 when
// msg ("curlcode,httpstatus") splits at "," into exactly two parts, the second
// "404", else reserr_1_0, a blank and msg; 2 reserr_2; 3 reserr_3; any other
// id the literal "unkown".
std::string updaterErrorText(int eid, const std::string& msg);
