#pragma once

#include <vector>

#include "framework/data/any_value.h"

namespace vaultara::framework {

// One entry of a pair list. FieldPairList uses Left and Right; BufferedPairList
// also Buffer.
struct PairEntry {
  AnyValue Left;
  AnyValue Right;
  AnyValue Buffer;
};

// A list of pairs of values that are compared or copied in one step: linking
// fields, range limits, fields with their remembered values. A pair may join
// values of different types; comparison and assignment follow the value
// rules of AnyValue.
//
// Comparisons walk the list from the first pair and stop at the first
// unequal one; an empty list matches in every form. Assignments walk the
// whole list.
class FieldPairList {
 public:
  virtual ~FieldPairList() = default;

  // Drops any pairs and starts an empty list.
  void Initialise();
  // Drops every reference and private value.
  void Kill();

  // Appends a pair whose Left refers to left and Right to right.
  virtual void AppendPair(const AnyValue& left, const AnyValue& right);
  // Appends a pair whose Left refers to field and whose Right is a private
  // copy of the field's current value.
  void AppendFieldCopy(const AnyValue& field);

  // True when every Left equals its Right.
  bool LeftMatchesRight() const;
  // Every Right := its Left.
  void SetRightFromLeft();
  // Every Left := its Right.
  void SetLeftFromRight();
  // Every Left, or every Right, is set to its type's blank value.
  void BlankLeft();
  void BlankRight();

  std::vector<PairEntry> List;

 protected:
  template <typename Test>
  bool All(Test test) const {
    for (const PairEntry& e : List) {
      if (!test(e)) return false;
    }
    return true;
  }
  template <typename Change>
  void Each(Change change) {
    for (PairEntry& e : List) change(e);
  }
};

// A pair list whose entries also hold a private Buffer value of their Right's
// type, so that either side can be remembered and compared or restored
// later. RealList names the same list as List; every FieldPairList operation
// works on it unchanged.
class BufferedPairList : public FieldPairList {
 public:
  BufferedPairList() = default;
  BufferedPairList(const BufferedPairList&) = delete;
  BufferedPairList& operator=(const BufferedPairList&) = delete;

  // Appends a pair whose Left refers to left and Right to right, with a
  // Buffer of right's type holding its blank value (right keeps its value).
  void AppendPair(const AnyValue& left, const AnyValue& right) override;

  bool LeftMatchesBuffer() const;
  bool RightMatchesBuffer() const;
  void SetBufferFromLeft();
  void SetBufferFromRight();
  void SetLeftFromBuffer();
  void SetRightFromBuffer();

  std::vector<PairEntry>& RealList = List;
};

}  // namespace vaultara::framework
