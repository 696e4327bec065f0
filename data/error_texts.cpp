#include "data/error_texts.h"

#include <algorithm>
#include <iterator>

#include "data/replacement_texts.h"

namespace vaultara::data {
namespace {

struct NumberedText {
  int32_t code;
  const char* text;
};

// Sorted by code.
constexpr NumberedText kTexts[] = {
    {2, "File Not Found"},
    {3, "Path Not Found"},
    {4, "Too Many Open Files"},
    {5, "Access Denied"},
    {7, "Memory Corrupted"},
    {8, "Insufficient Memory"},
    {30, "Entry Not Found"},
    {32, "File Is Already Locked"},
    {33, "Record Not Available"},
    {35, "Record Not Found"},
    {36, "Invalid Data File"},
    {37, "File Not Open"},
    {38, "Invalid Key File"},
    {40, "Creates Duplicate Key"},
    {43, "Record Is Already Held"},
    {45, "Invalid Filename"},
    {46, "Key File Must Be Rebuilt"},
    {47, "Invalid Record Declaration"},
    {48, "Unable To Log Transaction"},
    {52, "File Already Open"},
    {53, "Invalid Ostrina File"},
    {54, "No Create Attribute"},
    {55, "File Must Be Shared"},
    {56, "LOGOUT Already Active"},
    {57, "Invalid Memo File"},
    {63, "Exclusive Access Required"},
    {64, "Sharing Violation"},
    {65, "Unable To ROLLBACK Transaction"},
    {73, "Memo File Missing"},
    {75, "Invalid Field Type Descriptor"},
    {76, "Invalid Index String"},
    {77, "Unable To Access Index"},
    {78, "Invalid Number Of Parameters "},
    {79, "Unsupported Data Type In File"},
    {80, "Unsupported File Driver Function"},
    {81, "Unknown Error Posted"},
    {88, "Invalid Key Length"},
    {89, "Record Changed By Another Station"},
    {90, "File System Error"},
    {91, "LOGOUT Not Active"},
    {92, "BUILD In Progress"},
    {93, "BUILD Cancelled"},
    {95, "Server Not Found"},
    {96, "Remote Object Not Found"},
    {301, "Invalid Function"},
    {302, "File Not Found"},
    {303, "Path Not Found"},
    {304, "Too Many Open Files"},
    {305, "Access Denied"},
    {306, "Invalid Handle"},
    {307, "Memory Corrupted"},
    {308, "Insufficient Memory"},
    {309, "Invalid Memory Block"},
    {310, "Invalid Environment"},
    {311, "Invalid Format"},
    {312, "Invalid Access"},
    {313, "Invalid Data"},
    {315, "Invalid Drive"},
    {316, "Invalid Operation For Current Directory"},
    {317, "Not Same Device"},
    {318, "No More Files"},
    {319, "Write Protect"},
    {320, "Invalid Unit"},
    {321, "Device Not Ready"},
    {322, "Invalid Command"},
    {323, "Media Checksum Failed"},
    {324, "Invalid Length"},
    {325, "Seek Location Inaccessible"},
    {326, "Not DOS Disk"},
    {327, "Sector Not Found"},
    {328, "Out Of Paper"},
    {329, "Write Fault"},
    {330, "Read Fault"},
    {331, "General Failure"},
    {332, "Sharing Violation"},
    {333, "Lock Violation"},
    {334, "Wrong Disk"},
    {335, "FCB Unavailable"},
    {336, "Sharing Buffer Exceeded"},
    {337, "Code Page Mismatched"},
    {338, "Handle EOF"},
    {339, "Handle Disk Full"},
    {350, "Not Supported "},
    {351, "REM Not List"},
    {352, "Duplicate Name Encountered"},
    {353, "Invalid Network Path"},
    {354, "Network Busy"},
    {355, "Device Does Not Exist"},
    {356, "Too Many Commands"},
    {357, "Adapter/Hardware Failure"},
    {358, "Invalid Network Response"},
    {359, "Unexpected Network Error"},
    {360, "Invalid REM Adapter"},
    {361, "Print Queue Full"},
    {362, "No Spool Space"},
    {363, "Print Cancelled"},
    {364, "Network Name Deleted"},
    {365, "Network Access Denied"},
    {366, "Invalid Device Type"},
    {367, "Invalid Network Name"},
    {368, "Too Many Names"},
    {369, "Too Many Sessions"},
    {370, "Sharing Paused"},
    {371, "Request Not Accepted"},
    {372, "Network Redirection Paused"},
    {380, "File Already Exists"},
    {381, "Duplicate FCB"},
    {382, "Cannot Make"},
    {383, "Fail Critical Error"},
    {384, "Out Of Structures"},
    {385, "Already Assigned"},
    {386, "Invalid Password"},
    {387, "Invalid Parameter"},
    {388, "Network Write Fault"},
    {390, "System Component Not Loaded"},
    {391, "Unknown Error"},
    {401, "Stack overflow"},
    {402, "Null pointer de-reference"},
    {403, "Termination caused by signal.  (User break or Floating point)"},
    {404, "Arithmetic Overflow"},
    {405, "Variable out of range"},
    {406, "No return value from function"},
    {407, "No matching Case Label"},
    {408, "Long Integer Divide By Zero"},
    {409, "Index out of range"},
    {410, "Pure Virtual Function Called"},
    {800, "Invalid expression for EVALUATE"},
    {801, "No BIND on variable"},
    {802, "Mismatched PUSHSCOPE/POPSCOPE"},
};

}  // namespace

const char* BuiltInErrorText(int32_t code) {
  auto it = std::lower_bound(std::begin(kTexts), std::end(kTexts), code,
                             [](const NumberedText& t, int32_t c) { return t.code < c; });
  return (it != std::end(kTexts) && it->code == code) ? it->text : nullptr;
}

std::string ErrorText(int32_t code) {
  if (const std::string* replacement = FindReplacementText(code)) return *replacement;
  if (const char* text = BuiltInErrorText(code)) return text;
  return std::string(BuiltInErrorText(err::kUnknownErrorPosted)) + " : " + std::to_string(code);
}

}  // namespace vaultara::data
