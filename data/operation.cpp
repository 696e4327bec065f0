#include "data/operation.h"

#include <array>
#include <string_view>

namespace vaultara::data {
namespace {

constexpr std::array<std::string_view, 105> kNames = {
    "",
    "ADD",
    "BOF",
    "BUILDfile",
    "APPEND",
    "BUILDdyn",
    "BUILDkey",
    "CLOSE",
    "COMMIT",
    "COPY",
    "CREATE",
    "DELETE",
    "DUPLICATE",
    "EMPTY",
    "EOF",
    "GETfilekey",
    "GETfileptr",
    "GETkeyptr",
    "HOLDfile",
    "HOLDfilesec",
    "LOCKfile",
    "LOCKfilesec",
    "LOGOUT",
    "NAME",
    "NEXT",
    "OPEN",
    "PACK",
    "POINTERfile",
    "POINTERkey",
    "FLUSH",
    "PUT",
    "PREVIOUS",
    "RECORDSfile",
    "RECORDSkey",
    "BUILDdynfilter",
    "",
    "RELEASE",
    "REMOVE",
    "RENAME",
    "",
    "ROLLBACK",
    "SETfile",
    "SETfilekey",
    "SETfileptr",
    "SETkey",
    "SETkeykey",
    "SETkeyptr",
    "SETkeykeyptr",
    "SHARE",
    "SKIP",
    "UNLOCK",
    "ADDfilelen",
    "BYTES",
    "GETfileptrlen",
    "PUTfileptr",
    "PUTfileptrlen",
    "STREAM",
    "DUPLICATEkey",
    "WATCH",
    "APPENDlen",
    "SEND",
    "POSITIONfile",
    "POSITIONkey",
    "RESETfile",
    "RESETkey",
    "NOMEMO",
    "REGETfile",
    "REGETkey",
    "NULL",
    "SETNULL",
    "SETNONULL",
    "SET_PROPERTY",
    "GET_PROPERTY",
    "QUERY_KEY",
    "QUERY_VIEW",
    "BLOB_YIELD",
    "BLOB_TAKE",
    "BLOB_SIZE",
    "BLOB_SET_PROP",
    "BLOB_GET_PROP",
    "BUFFER",
    "SETview",
    "CLEAR",
    "RESETviewfile",
    "BUILDevent",
    "SETPROPERTYkey",
    "GETPROPERTYkey",
    "",
    "DO_PROPERTY",
    "DOPROPERTYkey",
    "DOPROPERTYblob",
    "",
    "INVIEW",
    "ENDVIEW",
    "",
    "COUNTRECORDS",
    "GETNULLS",
    "SETNULLS",
    "GETSTATE",
    "RESTORESTATE",
    "",
    "",
    "FREESTATE",
    "SQLCALLBACK",
    "DESTROY",
};

std::string Parenthesised(uint8_t code) {
  std::string text = "(";
  text.append(std::to_string(code)).push_back(')');
  return text;
}

}  // namespace

std::string OperationName(uint8_t code) {
  switch (code) {
    case 0:
    case 35:
    case 39:
      return Parenthesised(code);
    case 87:
    case 91:
    case 94:
    case 100:
    case 101:
      return std::string("Internal").append(std::to_string(code));
    default:
      break;
  }
  if (code < kNames.size()) return std::string(kNames[code]);
  return Parenthesised(code);
}

bool ReturnsText(Op op) {
  switch (op) {
    case Op::kName:
    case Op::kSend:
    case Op::kPositionFile:
    case Op::kPositionKey:
    case Op::kGetProperty:
    case Op::kBlobGetProp:
    case Op::kGetPropertyKey:
    case Op::kGetNulls:
      return true;
    default:
      return false;
  }
}

}  // namespace vaultara::data
