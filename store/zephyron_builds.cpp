// Key builds, run at once or remembered for BUILDevent when the table asked
// for progress events.
#include "data/error_state.h"
#include "data/error_texts.h"
#include "data/expression_compiler.h"
#include "data/expression_scope.h"
#include "data/state_bits.h"
#include "store/zephyron_driver.h"

namespace vaultara::store {

namespace {

namespace err = data::err;
namespace bit = data::state;
using data::Op;

// Binds the table's fields for the time a build filter is compiled and
// evaluated.
class FilterScope {
 public:
  FilterScope(const data::FileControlBlock& file, char* record) {
    data::PushScope(true);
    if (file.declaration != nullptr) data::TheScopeStack().BindRecord(*file.declaration, record);
  }
  ~FilterScope() { data::PopScope(); }
  FilterScope(const FilterScope&) = delete;
  FilterScope& operator=(const FilterScope&) = delete;
};

}  // namespace

int32_t ZephyronDriver::Build(data::OperationCall& call, ZephyronState& state) {
  if (call.op == Op::kBuildEvent) {
    if (!state.pending_build) return err::kNone;
    const PendingBuild build = std::move(*state.pending_build);
    state.pending_build.reset();
    state.bits |= bit::kBuilding;
    const int32_t error = RunBuild(build, state, true);
    state.bits &= ~bit::kBuilding;
    return error;
  }
  PendingBuild build{call.op, call.key, call.texts};
  if (state.bits & bit::kBuildRequested) {
    // Announce the build; the window side runs it with BUILDevent.
    state.pending_build = std::move(build);
    state.bits &= ~bit::kBuildRequested;
    if (build_request_) build_request_(*call.file, kBuildRequestMessage);
    return err::kNone;
  }
  return RunBuild(build, state, false);
}

int32_t ZephyronDriver::RunBuild(const PendingBuild& build, ZephyronState& state,
                                 bool with_progress) {
  TableHandle& table = *state.table;
  data::FileControlBlock& file = table.control_block();
  BuildSettings settings;
  if (with_progress) {
    settings.progress.interval = BuildProgress::IntervalFor(state.progress_setting);
    settings.progress.report = [this, &file](uint64_t records) {
      return progress_ && progress_(file, records);
    };
  }
  const size_t key = build.key != nullptr ? static_cast<size_t>(file.KeyNumber(build.key) - 1) : 0;
  auto text = [&](size_t i) { return i < build.texts.size() ? build.texts[i] : std::string(); };
  state.deferral.building_with_progress = with_progress;
  int32_t error = err::kNone;
  switch (build.op) {
    case Op::kBuildFile:
      error = keys_.BuildFile(table, settings);
      break;
    case Op::kPack:
      error = keys_.Pack(table, settings);
      break;
    case Op::kBuildKey:
      error = keys_.BuildKey(table, key, settings);
      break;
    case Op::kBuildDyn:
      error = keys_.BuildDynamic(table, key, text(0), settings);
      break;
    case Op::kBuildDynFilter: {
      const std::string filter_text(data::TrimRight(text(1)));
      if (filter_text.empty()) {
        error = keys_.BuildDynamic(table, key, text(0), settings);
        break;
      }
      FilterScope scope(file, table.record());
      std::unique_ptr<data::Expression> filter = data::CompileExpression(filter_text);
      if (!filter) {
        error = data::ErrorCode() != 0 ? data::ErrorCode() : err::kInvalidExpression;
        break;
      }
      error = keys_.BuildDynamicFiltered(
          table, key, text(0), [&filter](const char*) { return filter->Truth(); }, settings);
      break;
    }
    default:
      error = err::kUnsupportedFunction;
      break;
  }
  state.deferral.building_with_progress = false;
  return error;
}

}  // namespace vaultara::store
