// varlo-cli decode: a fetched page as the program reads it, with the encoding it guessed.

#include "cli/command.h"
#include "fetch/text_file.h"

namespace varlo::cli {
namespace {

int RunDecode(const std::vector<std::string>& args) {
    if (args.size() != 1 || (args[0].starts_with("-") && args[0] != "-")) {
        return UsageError("decode");
    }
    CTextFile file;
    const int result = file.Load(args[0]);
    nlohmann::ordered_json json;
    json["result"] = result;
    json["code"] = file.m_nCode;
    json["lineBreak"] = file.m_nLineBreak;
    json["text"] = Out(file.m_strText);
    PrintJson(json);
    return result ? kExitOk : kExitUnreadable;
}

}  // namespace

VARLO_CLI_COMMAND(
    "decode",
    "  varlo-cli decode FILE                              FILE read as a fetched page: the code\n"
    "                                                     and line-break kinds found, the text\n",
    RunDecode);

}  // namespace varlo::cli
