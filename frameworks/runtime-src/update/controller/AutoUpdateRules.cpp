#include "update/controller/AutoUpdateRules.h"

#include "update/engine/SplitString.h"
#include "update/controller/UpdateTexts.h"

#include "rapidjson/document.h"

#include <vector>

GatewayAnswer readGatewayAnswer(const std::string& body) {
    GatewayAnswer answer;
    rapidjson::Document document;
    // As a NUL-terminated text: the document ends at a NUL, and a byte-order
    // mark is no JSON (the length-taking parse would skip it). Iterative: the
    // recursive parser runs out of stack on a hostile depth of arrays.
    document.Parse<rapidjson::kParseIterativeFlag>(body.c_str());
    if (document.HasParseError()) {
        answer.kind = GatewayAnswer::Kind::NotJson;
        answer.parseError = static_cast<int>(document.GetParseError());
        return answer;
    }
    // Type checks first: rapidjson's lookups on a value of another type are
    // undefined in a release build.
    if (!document.IsObject()) return answer;
    const auto res = document.FindMember("Res");
    if (res == document.MemberEnd() || !res->value.IsString()) return answer;
    answer.resUrl = res->value.GetString();
    if (answer.resUrl.empty()) return answer;
    answer.kind = GatewayAnswer::Kind::Res;
    return answer;
}

std::string updaterErrorText(int eid, const std::string& msg) {
    switch (eid) {
    case 0:
        return reserr_0;
    case 1: {
        std::vector<std::string> parts;
        splitString(msg, ",", parts);
        if (parts.size() == 2 && parts[1] == "404") return reserr_1_1;
        return reserr_1_0 + " " + msg;
    }
    case 2:
        return reserr_2;
    case 3:
        return reserr_3;
    default:
        return "unkown";
    }
}
