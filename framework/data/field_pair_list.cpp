#include "framework/data/field_pair_list.h"

namespace vaultara::framework {

void FieldPairList::Initialise() { List.clear(); }

void FieldPairList::Kill() {
  List.clear();
  List.shrink_to_fit();
}

void FieldPairList::AppendPair(const AnyValue& left, const AnyValue& right) {
  List.push_back({left, right, {}});
}

void FieldPairList::AppendFieldCopy(const AnyValue& field) {
  List.push_back({field, field.PrivateCopy(), {}});
}

bool FieldPairList::LeftMatchesRight() const {
  return All([](const PairEntry& e) { return e.Left.Equals(e.Right); });
}

void FieldPairList::SetRightFromLeft() {
  Each([](PairEntry& e) { e.Right.Assign(e.Left); });
}

void FieldPairList::SetLeftFromRight() {
  Each([](PairEntry& e) { e.Left.Assign(e.Right); });
}

void FieldPairList::BlankLeft() {
  Each([](PairEntry& e) { e.Left.Clear(); });
}

void FieldPairList::BlankRight() {
  Each([](PairEntry& e) { e.Right.Clear(); });
}

void BufferedPairList::AppendPair(const AnyValue& left, const AnyValue& right) {
  List.push_back({left, right, right.PrivateBlank()});
}

bool BufferedPairList::LeftMatchesBuffer() const {
  return All([](const PairEntry& e) { return e.Left.Equals(e.Buffer); });
}

bool BufferedPairList::RightMatchesBuffer() const {
  return All([](const PairEntry& e) { return e.Right.Equals(e.Buffer); });
}

void BufferedPairList::SetBufferFromLeft() {
  Each([](PairEntry& e) { e.Buffer.Assign(e.Left); });
}

void BufferedPairList::SetBufferFromRight() {
  Each([](PairEntry& e) { e.Buffer.Assign(e.Right); });
}

void BufferedPairList::SetLeftFromBuffer() {
  Each([](PairEntry& e) { e.Left.Assign(e.Buffer); });
}

void BufferedPairList::SetRightFromBuffer() {
  Each([](PairEntry& e) { e.Right.Assign(e.Buffer); });
}

}  // namespace vaultara::framework
