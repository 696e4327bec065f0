#include "data/expression_functions.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <string>

#include "data/character_tables.h"
#include "data/date_time.h"
#include "data/error_state.h"
#include "data/error_texts.h"
#include "data/expression_evaluator.h"
#include "data/picture_compiler.h"
#include "data/picture_deformat.h"
#include "data/picture_format.h"
#include "data/text_variable.h"
#include "platform/platform.h"
#include "platform/profile_strings.h"

namespace vaultara::data {

// The picture a FORMAT or DEFORMAT call compiled last, kept with its node so
// that a constant picture is compiled once.
struct CompiledPicture {
  std::string text;
  PictureTemplate picture;
};

namespace {

constexpr ValueClass kI = ValueClass::kInteger;
constexpr ValueClass kR = ValueClass::kReal;
constexpr ValueClass kS = ValueClass::kString;

constexpr BuiltInInfo kBuiltIns[] = {
    {"ABS", BuiltIn::kAbs, 1, 1, kR},           {"ACOS", BuiltIn::kAcos, 1, 1, kR},
    {"AGE", BuiltIn::kAge, 2, 1, kS},           {"ALL", BuiltIn::kAll, 2, 1, kS},
    {"ASIN", BuiltIn::kAsin, 1, 1, kR},         {"ATAN", BuiltIn::kAtan, 1, 1, kR},
    {"BAND", BuiltIn::kBand, 2, 2, kI},         {"BOR", BuiltIn::kBor, 2, 2, kI},
    {"BSHIFT", BuiltIn::kBshift, 2, 2, kI},     {"BXOR", BuiltIn::kBxor, 2, 2, kI},
    {"CENTER", BuiltIn::kCenter, 2, 1, kS},     {"CHOOSE", BuiltIn::kChoose, 25, 2, kS},
    {"CHR", BuiltIn::kChr, 1, 1, kS},           {"CLIP", BuiltIn::kClip, 1, 1, kS},
    {"CLOCK", BuiltIn::kClock, 0, 0, kI},       {"COS", BuiltIn::kCos, 1, 1, kR},
    {"DATE", BuiltIn::kDate, 3, 3, kI},         {"DAY", BuiltIn::kDay, 1, 1, kI},
    {"DEFORMAT", BuiltIn::kDeformat, 2, 1, kS}, {"FORMAT", BuiltIn::kFormat, 2, 2, kS},
    {"GETINI", BuiltIn::kGetIni, 4, 2, kS},     {"INLIST", BuiltIn::kInList, 25, 2, kI},
    {"INRANGE", BuiltIn::kInRange, 3, 3, kI},   {"INSTRING", BuiltIn::kInString, 4, 2, kI},
    {"INT", BuiltIn::kInt, 1, 1, kI},           {"LEFT", BuiltIn::kLeft, 2, 1, kS},
    {"LEN", BuiltIn::kLen, 1, 1, kI},           {"LOG10", BuiltIn::kLog10, 1, 1, kR},
    {"LOGE", BuiltIn::kLogE, 1, 1, kR},         {"LOWER", BuiltIn::kLower, 1, 1, kS},
    {"MATCH", BuiltIn::kMatch, 3, 2, kI},       {"MEMORY", BuiltIn::kMemory, 1, 0, kI},
    {"MONTH", BuiltIn::kMonth, 1, 1, kI},       {"NULL", BuiltIn::kNull, 1, 1, kI},
    {"NUMERIC", BuiltIn::kNumeric, 1, 1, kI},   {"RANDOM", BuiltIn::kRandom, 2, 2, kI},
    {"RIGHT", BuiltIn::kRight, 2, 1, kS},       {"ROUND", BuiltIn::kRound, 2, 1, kR},
    {"SIN", BuiltIn::kSin, 1, 1, kR},           {"SQL", BuiltIn::kSql, 0, 0, kI},
    {"SQRT", BuiltIn::kSqrt, 1, 1, kR},         {"SUB", BuiltIn::kSub, 3, 2, kS},
    {"TAN", BuiltIn::kTan, 1, 1, kR},           {"TODAY", BuiltIn::kToday, 0, 0, kI},
    {"UPPER", BuiltIn::kUpper, 1, 1, kS},       {"VAL", BuiltIn::kVal, 1, 1, kI},
    {"YEAR", BuiltIn::kYear, 1, 1, kI},
};

constexpr size_t kBuiltInCount = static_cast<size_t>(BuiltIn::kYear) + 1;

platform::Platform*& InstalledPlatform() {
  static platform::Platform* platform = nullptr;
  return platform;
}

platform::Platform& ThePlatform() {
  platform::Platform* p = InstalledPlatform();
  return p != nullptr ? *p : platform::RealPlatform();
}

ExpressionValue Zero(ValueClass value_class) {
  if (value_class == kR) return ExpressionValue::Real(0.0);
  if (value_class == kI) return ExpressionValue::Integer(0);
  return ExpressionValue::Text({});
}

ExpressionValue Real(double value) {
  if (!std::isfinite(value)) {
    PostError(err::kInvalidExpression);
    return ExpressionValue::Real(0.0);
  }
  return ExpressionValue::Real(value);
}

ExpressionValue Integer(int64_t value) { return ExpressionValue::Integer(value); }

ExpressionValue Bits(uint32_t value) {
  return ExpressionValue::Integer(static_cast<int32_t>(value));
}

std::string_view ClipBlanks(std::string_view text) {
  size_t end = text.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

std::string_view TrimBlanks(std::string_view text) {
  text = ClipBlanks(text);
  size_t first = text.find_first_not_of(' ');
  return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

int64_t LengthLimit(int64_t length) { return std::clamp<int64_t>(length, 0, kMaxBuiltTextLength); }

// The arguments of one call, read on demand.
class Arguments {
 public:
  explicit Arguments(const ExpressionNode& call) : call_(call) {}
  bool Has(size_t i) const { return i < call_.children.size() && call_.children[i] != nullptr; }
  const ExpressionNode& Node(size_t i) const { return *call_.children[i]; }
  ExpressionValue Value(size_t i) const { return EvaluateNode(Node(i)); }
  std::string_view Text(size_t i) const { return EvaluateText(Node(i)); }
  int64_t Int(size_t i) const { return EvaluateInteger(Node(i)); }
  int64_t Int(size_t i, int64_t fallback) const { return Has(i) ? Int(i) : fallback; }
  double Real(size_t i) const { return EvaluateReal(Node(i)); }
  uint32_t Low32(size_t i) const { return static_cast<uint32_t>(Int(i)); }

 private:
  const ExpressionNode& call_;
};

// Wildcard match: "*" any run, "?" any one character. Iterative, with one
// back-track point, so any pattern runs in time proportional to the product
// of the lengths at worst.
bool WildcardMatch(std::string_view text, std::string_view pattern, bool ignore_case) {
  auto fold = [ignore_case](char c) { return ignore_case ? UpperLetter(c) : c; };
  size_t t = 0, p = 0;
  size_t star = std::string_view::npos, resume = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = t;
    } else if (p < pattern.size() && (pattern[p] == '?' || fold(pattern[p]) == fold(text[t]))) {
      ++p;
      ++t;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      t = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

int32_t DateFrom(int64_t month, int64_t day, int64_t year) {
  if (month < -120000 || month > 120000 || year < 0 || year > 20000 || day < -4000000 ||
      day > 4000000) {
    return 0;
  }
  int64_t months = year * 12 + (month - 1);
  int y = static_cast<int>(months / 12);
  int m = static_cast<int>(months % 12) + 1;
  if (y < kFirstYear || y > kLastYear) return 0;
  int64_t result = DayNumber(y, m, 1) + day - 1;
  if (result < kFirstDayNumber || result > kLastDayNumber) return 0;
  return static_cast<int32_t>(result);
}

int32_t Today() {
  platform::LocalTime now = ThePlatform().Now();
  int32_t day = DayNumber(now.year, now.month, now.day);
  return day < 0 ? 0 : day;
}

ExpressionValue DatePart(int64_t date, int which) {
  CalendarDate parts;
  if (date < kFirstDayNumber || date > kLastDayNumber ||
      !SplitDayNumber(static_cast<int32_t>(date), &parts)) {
    return Integer(0);
  }
  return Integer(which == 0 ? parts.day : which == 1 ? parts.month : parts.year);
}

ExpressionValue Age(const Arguments& args, std::string* out) {
  int64_t birth = args.Int(0);
  int64_t base = args.Int(1, Today());
  CalendarDate b, n;
  if (birth < kFirstDayNumber || birth > kLastDayNumber || base < kFirstDayNumber ||
      base > kLastDayNumber || birth > base || !SplitDayNumber(static_cast<int32_t>(birth), &b) ||
      !SplitDayNumber(static_cast<int32_t>(base), &n)) {
    return ExpressionValue::Text({});
  }
  int64_t days = base - birth;
  int months = (n.year - b.year) * 12 + (n.month - b.month) - (n.day < b.day ? 1 : 0);
  if (days < 61) {
    TextFromInteger(days, out);
    out->append(" DAYS");
  } else if (months < 24) {
    TextFromInteger(months, out);
    out->append(" MOS");
  } else {
    TextFromInteger(months / 12, out);
    out->append(" YRS");
  }
  return ExpressionValue::Text(*out);
}

const PictureTemplate& PictureOf(const ExpressionNode& call, std::string_view text) {
  text = TrimBlanks(text);
  if (!call.picture) call.picture = std::make_shared<CompiledPicture>();
  CompiledPicture& cached = *call.picture;
  if (cached.text != text || !cached.picture.valid()) {
    cached.text.assign(text);
    cached.picture = CompilePicture(text);
  }
  return cached.picture;
}

ExpressionValue Format(const ExpressionNode& call, const Arguments& args) {
  ExpressionValue value = args.Value(0);
  const PictureTemplate& picture = PictureOf(call, args.Text(1));
  switch (value.value_class) {
    case ValueClass::kInteger:
      call.scratch = FormatValue(value.integer, picture);
      break;
    case ValueClass::kReal:
      call.scratch = FormatValue(value.real, picture);
      break;
    default:
      call.scratch = FormatValue(value.text, picture);
      break;
  }
  return ExpressionValue::Text(call.scratch);
}

ExpressionValue Deformat(const ExpressionNode& call, const Arguments& args) {
  std::string_view text = args.Text(0);
  if (args.Has(1)) {
    call.scratch = DeformatText(text, PictureOf(call, args.Text(1)));
  } else {
    PictureTemplate picture;
    picture.kind = PictureKind::kString;
    picture.width = static_cast<int>(std::min<size_t>(text.size(), kMaxPictureWidth));
    call.scratch = picture.width == 0 ? std::string("0") : DeformatText(text, picture);
  }
  return ExpressionValue::Text(call.scratch);
}

ExpressionValue GetIni(const ExpressionNode& call, const Arguments& args) {
  std::string section(ClipBlanks(args.Text(0)));
  std::string key(ClipBlanks(args.Text(1)));
  std::string fallback(args.Has(2) ? ClipBlanks(args.Text(2)) : std::string_view());
  std::string file(args.Has(3) ? ClipBlanks(args.Text(3)) : std::string_view());
  if (file.empty()) file = platform::UserProfilePath();
  call.scratch = platform::GetProfileString(ThePlatform(), file, section, key, fallback);
  return ExpressionValue::Text(call.scratch);
}

ExpressionValue Justified(const ExpressionNode& call, const Arguments& args) {
  std::string_view text = args.Text(0);
  int64_t width = LengthLimit(args.Int(1, static_cast<int64_t>(text.size())));
  size_t n = static_cast<size_t>(width);
  std::string& out = call.scratch;
  out.assign(n, ' ');
  std::string_view body;
  size_t at = 0;
  switch (call.function) {
    case BuiltIn::kLeft: {
      size_t first = text.find_first_not_of(' ');
      body = first == std::string_view::npos ? std::string_view() : text.substr(first);
      body = body.substr(0, std::min(body.size(), n));
      break;
    }
    case BuiltIn::kRight:
      body = ClipBlanks(text);
      if (body.size() > n) body.remove_prefix(body.size() - n);
      at = n - body.size();
      break;
    default:  // CENTER
      body = TrimBlanks(text);
      body = body.substr(0, std::min(body.size(), n));
      at = (n - body.size()) / 2;
      break;
  }
  out.replace(at, body.size(), body);
  return ExpressionValue::Text(out);
}

ExpressionValue Repeated(const ExpressionNode& call, const Arguments& args) {
  std::string_view text = args.Text(0);
  size_t n = static_cast<size_t>(LengthLimit(args.Int(1, 255)));
  std::string& out = call.scratch;
  out.clear();
  if (text.empty()) return ExpressionValue::Text(out);
  while (out.size() < n) out.append(text.substr(0, n - out.size()));
  return ExpressionValue::Text(out);
}

ExpressionValue Choose(const ExpressionNode& call, const Arguments& args) {
  size_t last = 0;
  for (size_t i = 1; i < call.children.size(); ++i) {
    if (args.Has(i)) last = i;
  }
  int64_t n = args.Int(0);
  size_t pick =
      (n >= 1 && n < static_cast<int64_t>(call.children.size()) && args.Has(static_cast<size_t>(n)))
          ? static_cast<size_t>(n)
          : last;
  return ExpressionValue::Text(args.Text(pick));
}

ExpressionValue InList(const ExpressionNode& call, const Arguments& args) {
  ExpressionValue value = args.Value(0);
  for (size_t i = 1; i < call.children.size(); ++i) {
    if (!args.Has(i)) continue;
    if (CompareValues(value, args.Value(i)) == 0) {
      return Integer(static_cast<int64_t>(i));
    }
  }
  return Integer(0);
}

ExpressionValue Random(const Arguments& args) {
  static std::mt19937_64 generator{std::random_device{}()};
  int64_t low = args.Int(0);
  int64_t high = args.Int(1);
  if (low > high) std::swap(low, high);
  return Integer(std::uniform_int_distribution<int64_t>(low, high)(generator));
}

ExpressionValue Round(const Arguments& args) {
  double value = args.Real(0);
  double step = args.Has(1) ? std::fabs(args.Real(1)) : 1.0;
  if (step == 0.0) return Real(value);
  return Real(std::round(value / step) * step);
}

ExpressionValue Shift(const Arguments& args) {
  uint32_t value = args.Low32(0);
  int64_t count = args.Int(1);
  if (count >= 32 || count <= -32) return Bits(0);
  return Bits(count >= 0 ? value << count : value >> -count);
}

}  // namespace

std::span<const BuiltInInfo> BuiltIns() { return kBuiltIns; }

const BuiltInInfo& InfoOf(BuiltIn id) {
  // Indexed by id, so that a call node finds its function at once.
  static const std::array<const BuiltInInfo*, kBuiltInCount> by_id = [] {
    std::array<const BuiltInInfo*, kBuiltInCount> table;
    table.fill(&kBuiltIns[0]);
    for (const BuiltInInfo& info : kBuiltIns) table[static_cast<size_t>(info.id)] = &info;
    return table;
  }();
  size_t index = static_cast<size_t>(id);
  return index < by_id.size() ? *by_id[index] : kBuiltIns[0];
}

std::string_view SubText(std::string_view text, int64_t start, int64_t length) {
  int64_t size = static_cast<int64_t>(text.size());
  if (start == 0) start = 1;
  if (start < 0) start = std::max<int64_t>(size + start + 1, 1);
  if (start > size || length == 0) return {};
  int64_t rest = size - start + 1;
  if (length < 0 || length > rest) length = rest;
  return text.substr(static_cast<size_t>(start - 1), static_cast<size_t>(length));
}

int64_t FindInText(std::string_view sub, std::string_view text, int64_t step, int64_t start) {
  int64_t n = static_cast<int64_t>(sub.size());
  int64_t size = static_cast<int64_t>(text.size());
  if (n == 0 || n > size || start == 0 || step == 0) return 0;
  // The last position at which sub still fits.
  int64_t last = size - n + 1;
  if (step > 0) {
    if (start < 1) return 0;
    for (int64_t at = start; at <= last; at += step) {
      if (text.compare(static_cast<size_t>(at - 1), sub.size(), sub) == 0) return at;
      if (at > last - step) break;
    }
    return 0;
  }
  if (start > last) {
    // Step back to the first position that fits, keeping the stride.
    int64_t stride = -step;
    start -= ((start - last + stride - 1) / stride) * stride;
  }
  for (int64_t at = start; at >= 1; at += step) {
    if (text.compare(static_cast<size_t>(at - 1), sub.size(), sub) == 0) return at;
  }
  return 0;
}

void SetExpressionPlatform(platform::Platform* platform) { InstalledPlatform() = platform; }

ExpressionValue CallBuiltIn(const ExpressionNode& call) {
  const BuiltInInfo& info = InfoOf(call.function);
  Arguments args(call);
  for (size_t i = 0; i < info.required_args; ++i) {
    if (!args.Has(i)) {
      PostError(err::kInvalidExpression);
      return Zero(info.result);
    }
  }
  switch (call.function) {
    case BuiltIn::kAbs:
      return Real(std::fabs(args.Real(0)));
    case BuiltIn::kAcos:
      return Real(std::acos(args.Real(0)));
    case BuiltIn::kAsin:
      return Real(std::asin(args.Real(0)));
    case BuiltIn::kAtan:
      return Real(std::atan(args.Real(0)));
    case BuiltIn::kCos:
      return Real(std::cos(args.Real(0)));
    case BuiltIn::kSin:
      return Real(std::sin(args.Real(0)));
    case BuiltIn::kTan:
      return Real(std::tan(args.Real(0)));
    case BuiltIn::kSqrt:
      return Real(std::sqrt(args.Real(0)));
    case BuiltIn::kLog10:
      return Real(std::log10(args.Real(0)));
    case BuiltIn::kLogE:
      return Real(std::log(args.Real(0)));
    case BuiltIn::kInt:
      return Integer(IntegerFromReal(args.Real(0)));
    case BuiltIn::kRound:
      return Round(args);
    case BuiltIn::kBand:
      return Bits(args.Low32(0) & args.Low32(1));
    case BuiltIn::kBor:
      return Bits(args.Low32(0) | args.Low32(1));
    case BuiltIn::kBxor:
      return Bits(args.Low32(0) ^ args.Low32(1));
    case BuiltIn::kBshift:
      return Shift(args);
    case BuiltIn::kRandom:
      return Random(args);
    case BuiltIn::kSub:
      return ExpressionValue::Text(
          SubText(args.Text(0), args.Int(1), args.Has(2) ? std::max<int64_t>(args.Int(2), 0) : -1));
    case BuiltIn::kUpper:
      call.scratch = ToUpper(args.Text(0));
      return ExpressionValue::Text(call.scratch);
    case BuiltIn::kLower:
      call.scratch = ToLower(args.Text(0));
      return ExpressionValue::Text(call.scratch);
    case BuiltIn::kClip:
      return ExpressionValue::Text(ClipBlanks(args.Text(0)));
    case BuiltIn::kLeft:
    case BuiltIn::kRight:
    case BuiltIn::kCenter:
      return Justified(call, args);
    case BuiltIn::kAll:
      return Repeated(call, args);
    case BuiltIn::kChr:
      call.scratch.assign(1, static_cast<char>(args.Low32(0) & 0xFF));
      return ExpressionValue::Text(call.scratch);
    case BuiltIn::kVal: {
      std::string_view text = args.Text(0);
      return Integer(text.empty() ? 0 : static_cast<uint8_t>(text[0]));
    }
    case BuiltIn::kLen:
      return Integer(static_cast<int64_t>(args.Text(0).size()));
    case BuiltIn::kInString: {
      std::string_view sub = args.Text(0);
      std::string_view text = args.Text(1);
      int64_t step = args.Int(2, static_cast<int64_t>(sub.size()));
      return Integer(FindInText(sub, text, step, args.Int(3, 1)));
    }
    case BuiltIn::kMatch: {
      std::string_view text = ClipBlanks(args.Text(0));
      std::string_view pattern = ClipBlanks(args.Text(1));
      return Integer(WildcardMatch(text, pattern, args.Int(2, 0) != 0));
    }
    case BuiltIn::kNumeric:
      return Integer(IsNumericText(args.Text(0)));
    case BuiltIn::kFormat:
      return Format(call, args);
    case BuiltIn::kDeformat:
      return Deformat(call, args);
    case BuiltIn::kChoose:
      return Choose(call, args);
    case BuiltIn::kInList:
      return InList(call, args);
    case BuiltIn::kInRange: {
      ExpressionValue value = args.Value(0);
      bool in =
          CompareValues(args.Value(1), value) <= 0 && CompareValues(value, args.Value(2)) <= 0;
      return Integer(in);
    }
    case BuiltIn::kToday:
      return Integer(Today());
    case BuiltIn::kClock: {
      platform::LocalTime now = ThePlatform().Now();
      return Integer(static_cast<int64_t>(now.hour) * 360000 + now.minute * 6000 +
                     now.second * 100 + now.millisecond / 10 + 1);
    }
    case BuiltIn::kDate:
      return Integer(DateFrom(args.Int(0), args.Int(1), args.Int(2)));
    case BuiltIn::kDay:
      return DatePart(args.Int(0), 0);
    case BuiltIn::kMonth:
      return DatePart(args.Int(0), 1);
    case BuiltIn::kYear:
      return DatePart(args.Int(0), 2);
    case BuiltIn::kAge:
      return Age(args, &call.scratch);
    case BuiltIn::kGetIni:
      return GetIni(call, args);
    case BuiltIn::kNull:
    case BuiltIn::kMemory:
      return Integer(0);
    case BuiltIn::kSql:
      return Integer(1);
    case BuiltIn::kNone:
      break;
  }
  return Zero(info.result);
}

}  // namespace vaultara::data
