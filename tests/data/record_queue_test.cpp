#include "data/record_queue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "data/error_state.h"
#include "data/field_compare.h"

namespace vaultara::data {
namespace {

// Records of a LONG id, a STRING(10) name, a REAL score and a CSTRING(8) code;
// optionally followed by a STRING filler that makes them large enough to be
// stored compressed.
struct Row {
  int32_t id;
  std::string name;
  double score;
  std::string code;
};

class QueueFixture {
 public:
  explicit QueueFixture(uint32_t filler = 0) {
    RecordDeclarationBuilder b;
    b.Long("Q:ID").String("Q:NAME", 10).Real("Q:SCORE").CString("Q:CODE", 8);
    if (filler > 0) b.String("Q:FILLER", filler);
    layout_ = b.Build();
    buffer_.assign(layout_.record_length, 0);
    queue_ = std::make_unique<RecordQueue>(&layout_, buffer_.data());
  }

  RecordQueue& q() { return *queue_; }
  const RecordDeclaration& layout() const { return layout_; }
  char* buffer() { return buffer_.data(); }

  void Set(const Row& r) {
    ClearRecord(layout_, buffer_.data(), 0);
    std::memcpy(buffer_.data(), &r.id, 4);
    std::memcpy(buffer_.data() + 4, r.name.data(), std::min<size_t>(r.name.size(), 10));
    std::memcpy(buffer_.data() + 14, &r.score, 8);
    std::memcpy(buffer_.data() + 22, r.code.data(), std::min<size_t>(r.code.size(), 7));
  }
  int32_t Id() const {
    int32_t id;
    std::memcpy(&id, buffer_.data(), 4);
    return id;
  }
  double Score() const {
    double score;
    std::memcpy(&score, buffer_.data() + 14, 8);
    return score;
  }
  void Add(const std::vector<Row>& rows) {
    for (const Row& r : rows) {
      Set(r);
      q().Append();
    }
  }
  // Ids of the entries in position order.
  std::vector<int32_t> Ids() {
    std::vector<int32_t> ids;
    for (int32_t i = 1; i <= q().Count(); ++i) {
      q().FetchAt(i);
      ids.push_back(Id());
    }
    return ids;
  }

 private:
  RecordDeclaration layout_;
  std::vector<char> buffer_;
  std::unique_ptr<RecordQueue> queue_;
};

const std::vector<Row> kRows = {
    {1, "Carol", 2.5, "x"}, {2, "alice", 9.0, "b"}, {3, "Bob", 2.5, "a"},
    {4, "Alice", 1.0, "b"}, {5, "Carol", 7.0, "a"}, {6, "Bob", 2.5, "c"},
};

class RecordQueueTest : public ::testing::Test {
 protected:
  void SetUp() override { ClearErrors(); }
};

TEST_F(RecordQueueTest, ReordersBySeveralFieldsAscendingAndDescending) {
  struct Case {
    KeyList keys;
    std::vector<int32_t> ids;
  } cases[] = {
      {{2, 1}, {4, 3, 6, 1, 5, 2}},  // upper case sorts before lower case
      {{-2, 1}, {2, 1, 5, 3, 6, 4}},       {{3, -1}, {4, 6, 3, 1, 5, 2}},
      {{-3, 4}, {2, 5, 3, 6, 1, 4}},       {{4, -3, 2}, {5, 3, 2, 4, 6, 1}},
      {{1, 2, 0, -1}, {1, 2, 3, 4, 5, 6}},  // 0 ends the key list
  };
  for (const Case& c : cases) {
    QueueFixture f;
    f.Add(kRows);
    f.q().Reorder(c.keys);
    EXPECT_EQ(ErrorCode(), 0);
    EXPECT_EQ(f.Ids(), c.ids) << ::testing::PrintToString(c.keys);
  }
}

TEST_F(RecordQueueTest, KeysByNameGiveSignsAndReportUnknownNames) {
  QueueFixture f;
  f.Add(kRows);
  f.q().Reorder("+q:name, -Q:ID");
  EXPECT_EQ(ErrorCode(), 0);
  EXPECT_EQ(f.Ids(), (std::vector<int32_t>{4, 6, 3, 5, 1, 2}));

  for (const char* bad : {"Q:NOPE", "+Q:NAME,-", "Q:NAME,Q:ID2"}) {
    uint32_t stamp = f.q().ChangeStamp();
    f.q().Reorder(bad);
    EXPECT_EQ(ErrorCode(), 75) << bad;
    EXPECT_EQ(f.q().ChangeStamp(), stamp) << bad;
  }
  EXPECT_EQ(f.Ids(), (std::vector<int32_t>{4, 6, 3, 5, 1, 2}));
}

// Sorting of many records, small and compressed, by several key lists in turn
// gives exactly what a stable sort of the current arrangement gives.
TEST_F(RecordQueueTest, ReorderIsAStableSortOfTheCurrentArrangement) {
  for (uint32_t filler : {0u, 200u}) {
    QueueFixture f(filler);
    std::mt19937 random(7);
    std::vector<Row> rows;
    const char* names[] = {"Ann", "ann", "Bo", "Cy", "", "Zed"};
    for (int32_t id = 1; id <= 300; ++id) {
      rows.push_back({id, names[random() % 6], static_cast<double>(random() % 5),
                      std::string(1, static_cast<char>('a' + random() % 3))});
    }
    f.Add(rows);
    EXPECT_EQ(f.q().CompressionMode(), filler ? 2 : 0);
    std::vector<Row> model = rows;
    for (const KeyList& keys : std::vector<KeyList>{{2}, {3}, {-4, 2}, {-3}, {2, -1}}) {
      f.q().Reorder(keys);
      std::stable_sort(model.begin(), model.end(), [&](const Row& a, const Row& b) {
        for (int32_t k : keys) {
          int c = 0;
          switch (std::abs(k)) {
            case 1:
              c = (a.id > b.id) - (a.id < b.id);
              break;
            case 2:
              c = CompareBlankPadded(a.name, b.name);
              break;
            case 3:
              c = (a.score > b.score) - (a.score < b.score);
              break;
            case 4:
              c = CompareBlankPadded(a.code, b.code);
              break;
          }
          if (c != 0) return k < 0 ? c > 0 : c < 0;
        }
        return false;
      });
      std::vector<int32_t> expected;
      for (const Row& r : model) expected.push_back(r.id);
      ASSERT_EQ(f.Ids(), expected)
          << "filler " << filler << " keys " << ::testing::PrintToString(keys);
    }
  }
}

TEST_F(RecordQueueTest, InsertKeyedPlacesAfterEqualKeys) {
  QueueFixture f;
  for (const Row& r : std::vector<Row>{{1, "M", 0, ""},
                                       {2, "B", 0, ""},
                                       {3, "M", 0, ""},
                                       {4, "Z", 0, ""},
                                       {5, "M", 0, ""},
                                       {6, "A", 0, ""}}) {
    f.Set(r);
    f.q().InsertKeyed({2});
    EXPECT_EQ(f.Id(), r.id);
  }
  EXPECT_EQ(f.Ids(), (std::vector<int32_t>{6, 2, 1, 3, 5, 4}));
  // The new entry is current: its position is where it went.
  f.Set({7, "M", 0, ""});
  f.q().InsertKeyed({2});
  EXPECT_EQ(f.q().CurrentPosition(), 6);
}

TEST_F(RecordQueueTest, InsertAtPlacesByPositionAndAppendsOutOfRange) {
  struct Case {
    int32_t position;
    std::vector<int32_t> ids;
  } cases[] = {
      {1, {9, 1, 2, 3}}, {3, {1, 2, 9, 3}}, {4, {1, 2, 3, 9}},
      {9, {1, 2, 3, 9}}, {0, {1, 2, 3, 9}}, {-3, {1, 2, 3, 9}},
  };
  for (const Case& c : cases) {
    QueueFixture f;
    f.Add({{1, "a", 0, ""}, {2, "b", 0, ""}, {3, "c", 0, ""}});
    f.Set({9, "z", 0, ""});
    f.q().InsertAt(c.position);
    EXPECT_EQ(ErrorCode(), 0);
    EXPECT_EQ(f.Ids(), c.ids) << c.position;
  }
}

TEST_F(RecordQueueTest, FindKeyedFindsTheFirstEqualKeyOrReportsEntryNotFound) {
  QueueFixture f;
  f.Add(kRows);
  f.Set({0, "Carol", 0, ""});
  f.q().FindKeyed({2});
  EXPECT_EQ(ErrorCode(), 0);
  EXPECT_EQ(f.Id(), 1);
  EXPECT_EQ(f.q().CurrentPosition(), 1);

  f.Set({0, "", 2.5, "c"});
  f.q().FindKeyed("-Q:CODE,Q:SCORE");
  EXPECT_EQ(f.Id(), 6);
  EXPECT_EQ(f.q().CurrentPosition(), 6);

  // A text key matches with trailing blanks ignored, never by prefix.
  f.Set({0, "Bob       ", 0, ""});
  f.q().FindKeyed({2});
  EXPECT_EQ(f.Id(), 3);
  f.Set({42, "Bo", 0, ""});
  f.q().FindKeyed({2});
  EXPECT_EQ(ErrorCode(), 30);
  EXPECT_EQ(f.Id(), 42);  // buffer unchanged
  EXPECT_EQ(f.q().CurrentPosition(), 3);

  // Without a key the whole record must match.
  f.Set(kRows[4]);
  f.q().FindKeyed(KeyList{});
  EXPECT_EQ(ErrorCode(), 0);
  EXPECT_EQ(f.q().CurrentPosition(), 5);
}

TEST_F(RecordQueueTest, AppendAfterReorderGoesLastAndStaysFindable) {
  QueueFixture f;
  f.Add(kRows);
  f.q().Reorder({1});
  f.Set({0, "", 0, ""});
  f.q().FindKeyed({2});  // a second ordering, by name
  f.Set({35, "Bz", 0, ""});
  f.q().Append();
  EXPECT_EQ(f.q().CurrentPosition(), 7);
  EXPECT_EQ(f.Ids(), (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 35}));
  for (const KeyList& keys : std::vector<KeyList>{{1}, {2, 1}}) {
    for (int32_t id : {1, 2, 3, 4, 5, 6, 35}) {
      f.q().FetchAt(id == 35 ? 7 : id);
      f.q().FindKeyed(keys);
      EXPECT_EQ(ErrorCode(), 0);
      EXPECT_EQ(f.Id(), id);
    }
  }
}

TEST_F(RecordQueueTest, RewriteKeepsThePositionAndMovesTheEntryInOtherOrderings) {
  QueueFixture f;
  f.Add(kRows);
  f.q().Reorder({1});
  f.Set({0, "", 0, ""});
  f.q().FindKeyed({2});  // keeps an ordering by name
  f.q().FetchAt(2);
  int32_t id = 99;
  std::memcpy(f.buffer(), &id, 4);
  std::memcpy(f.buffer() + 4, "Zack      ", 10);
  f.q().Rewrite();
  EXPECT_EQ(ErrorCode(), 0);
  EXPECT_EQ(f.Ids(), (std::vector<int32_t>{1, 99, 3, 4, 5, 6}));

  f.Set({0, "Zack", 0, ""});
  f.q().FindKeyed({2});
  EXPECT_EQ(f.Id(), 99);
  EXPECT_EQ(f.q().CurrentPosition(), 2);
  f.Set({0, "alice", 0, ""});
  f.q().FindKeyed({2});
  EXPECT_EQ(ErrorCode(), 30);
  // By id the sorted order is gone; a look-up by id still finds every entry.
  for (int32_t wanted : {1, 3, 99, 6}) {
    std::memcpy(f.buffer(), &wanted, 4);
    f.q().FindKeyed({1});
    EXPECT_EQ(ErrorCode(), 0) << wanted;
    EXPECT_EQ(f.Id(), wanted);
  }
}

TEST_F(RecordQueueTest, RemoveTakesTheCurrentEntryOutOfEveryOrdering) {
  QueueFixture f;
  f.Add(kRows);
  f.q().Reorder({-1});
  f.Set({0, "Bob", 0, ""});
  f.q().FindKeyed({2});
  EXPECT_EQ(f.Id(), 6);  // by name, then by the position order's arrangement
  f.q().Remove();
  EXPECT_EQ(ErrorCode(), 0);
  EXPECT_EQ(f.q().CurrentPosition(), 0);
  EXPECT_EQ(f.Ids(), (std::vector<int32_t>{5, 4, 3, 2, 1}));
  f.Set({0, "Bob", 0, ""});
  f.q().FindKeyed({2});
  EXPECT_EQ(f.Id(), 3);
  f.q().Remove();
  f.q().FindKeyed({2});
  EXPECT_EQ(ErrorCode(), 30);
  f.q().RemoveAll();
  EXPECT_EQ(f.q().Count(), 0);
  f.Add({{7, "a", 0, ""}, {8, "b", 0, ""}});
  EXPECT_EQ(f.Ids(), (std::vector<int32_t>{7, 8}));
}

TEST_F(RecordQueueTest, ChangeStampMovesOnEveryChangeAndOnlyThen) {
  QueueFixture f;
  f.Add(kRows);
  struct Step {
    const char* what;
    std::function<void(QueueFixture&)> run;
    uint32_t moves;
  } steps[] = {
      {"append", [](QueueFixture& x) { x.q().Append(); }, 1},
      {"insert at", [](QueueFixture& x) { x.q().InsertAt(2); }, 1},
      {"insert keyed", [](QueueFixture& x) { x.q().InsertKeyed({2}); }, 1},
      {"rewrite", [](QueueFixture& x) { x.q().Rewrite(); }, 1},
      {"reorder", [](QueueFixture& x) { x.q().Reorder({-1}); }, 1},
      {"reorder again", [](QueueFixture& x) { x.q().Reorder({-1}); }, 1},
      {"fetch", [](QueueFixture& x) { x.q().FetchAt(3); }, 0},
      {"find", [](QueueFixture& x) { x.q().FindKeyed({1}); }, 0},
      {"remove", [](QueueFixture& x) { x.q().Remove(); }, 1},
      {"failed remove", [](QueueFixture& x) { x.q().Remove(); }, 0},
      {"failed fetch", [](QueueFixture& x) { x.q().FetchAt(99); }, 0},
      {"bad key", [](QueueFixture& x) { x.q().InsertKeyed({5}); }, 0},
      {"remove all", [](QueueFixture& x) { x.q().RemoveAll(); }, 1},
      {"remove all of none", [](QueueFixture& x) { x.q().RemoveAll(); }, 1},
  };
  for (const Step& s : steps) {
    const uint32_t before = f.q().ChangeStamp();
    s.run(f);
    EXPECT_EQ(f.q().ChangeStamp(), before + s.moves) << s.what;
  }
}

TEST_F(RecordQueueTest, BadPositionsAndKeysReportErrorsAndChangeNothing) {
  QueueFixture f;
  EXPECT_EQ(f.q().Count(), 0);
  f.Add(kRows);
  f.q().FetchAt(4);
  struct Case {
    const char* what;
    std::function<void(QueueFixture&)> run;
    int32_t error;
    int32_t current_after;
  } cases[] = {
      {"fetch beyond", [](QueueFixture& x) { x.q().FetchAt(7); }, 30, 4},
      {"fetch negative", [](QueueFixture& x) { x.q().FetchAt(-1); }, 30, 4},
      {"key field beyond",
       [](QueueFixture& x) {
         x.q().Reorder({1, 5});
       },
       75, 4},
      {"negative key beyond", [](QueueFixture& x) { x.q().FindKeyed({-9}); }, 75, 4},
      {"smallest key", [](QueueFixture& x) { x.q().InsertKeyed({INT32_MIN}); }, 75, 4},
      {"unknown name", [](QueueFixture& x) { x.q().FindKeyed("Q:WHO"); }, 75, 4},
      {"fetch zero", [](QueueFixture& x) { x.q().FetchAt(0); }, 30, 0},
      {"rewrite without current", [](QueueFixture& x) { x.q().Rewrite(); }, 30, 0},
      {"remove without current", [](QueueFixture& x) { x.q().Remove(); }, 30, 0},
  };
  for (const Case& c : cases) {
    f.Set({77, "probe", 0, ""});
    c.run(f);
    EXPECT_EQ(ErrorCode(), c.error) << c.what;
    EXPECT_EQ(f.Id(), 77) << c.what;
    EXPECT_EQ(f.q().CurrentPosition(), c.current_after) << c.what;
    EXPECT_EQ(f.q().Count(), 6) << c.what;
  }
  EXPECT_EQ(f.Ids(), (std::vector<int32_t>{1, 2, 3, 4, 5, 6}));
  // The next operation that succeeds clears the error.
  f.q().FetchAt(1);
  EXPECT_EQ(ErrorCode(), 0);
}

TEST_F(RecordQueueTest, AnAbsentQueueReportsMemoryCorrupted) {
  RecordQueue absent;
  for (auto run : std::vector<std::function<void()>>{
           [&] { absent.Append(); }, [&] { absent.FetchAt(1); }, [&] { absent.Reorder({1}); },
           [&] { absent.Remove(); }, [&] { absent.RemoveAll(); }}) {
    ClearErrors();
    run();
    EXPECT_EQ(ErrorCode(), 7);
  }
  EXPECT_EQ(absent.Count(), 0);
  EXPECT_EQ(absent.CurrentPosition(), 0);
}

TEST_F(RecordQueueTest, KeyListsUseTheirFirstSixteenFields) {
  QueueFixture f;
  f.Add(kRows);
  KeyList keys(16, 2);
  keys[15] = 1;
  keys.push_back(99);  // the 17th is never looked at
  f.q().Reorder(keys);
  EXPECT_EQ(ErrorCode(), 0);
  EXPECT_EQ(f.Ids(), (std::vector<int32_t>{4, 3, 6, 1, 5, 2}));
}

TEST_F(RecordQueueTest, SeventeenKeyListsInTurnKeepThePositionOrder) {
  QueueFixture f;
  f.Add(kRows);
  f.q().Reorder({-2, 1});
  const std::vector<int32_t> positions = f.Ids();
  std::vector<KeyList> lists;
  for (int32_t a : {1, -1, 2, -2, 3, -3, 4, -4}) {
    for (int32_t b : {1, 3}) lists.push_back({a, b});
  }
  lists.push_back({4, 3, 2});
  ASSERT_EQ(lists.size(), 17u);
  for (int round = 0; round < 2; ++round) {
    for (const KeyList& keys : lists) {
      f.q().FetchAt(3);
      f.q().FindKeyed(keys);
      EXPECT_EQ(ErrorCode(), 0);
      EXPECT_EQ(f.Id(), positions[2]);
      EXPECT_EQ(f.q().CurrentPosition(), 3);
    }
  }
  EXPECT_EQ(f.Ids(), positions);
}

TEST_F(RecordQueueTest, LargeRecordsComeBackExactlyAsAdded) {
  // 200-byte records of mostly blank texts, with texts ending in blanks and
  // zero-terminated texts with data after their terminator.
  RecordDeclarationBuilder b;
  b.Long("L:ID").String("L:NOTE", 120).CString("L:TAG", 30).PString("L:P", 20).String("L:END", 26);
  RecordDeclaration layout = b.Build();
  ASSERT_EQ(layout.record_length, 200u);
  std::vector<char> buffer(200);
  RecordQueue q(&layout, buffer.data());
  EXPECT_EQ(q.CompressionMode(), 2);
  std::vector<std::vector<char>> added;
  for (int32_t i = 0; i < 40; ++i) {
    ClearRecord(layout, buffer.data(), 0);
    std::memcpy(buffer.data(), &i, 4);
    std::string note = std::string(static_cast<size_t>(i), 'n') + std::string(3, ' ');
    std::memcpy(buffer.data() + 4, note.data(), std::min<size_t>(note.size(), 120));
    std::memcpy(buffer.data() + 124, "tag\0garbage", 11);
    buffer[154] = static_cast<char>(i % 20);
    std::memset(buffer.data() + 155, 'p', 19);
    if (i % 3 == 0) std::memset(buffer.data() + 4, static_cast<char>(i), 120);  // incompressible
    q.Append();
    added.push_back(buffer);
  }
  for (int32_t i = 0; i < 40; ++i) {
    q.FetchAt(i + 1);
    ASSERT_EQ(ErrorCode(), 0);
    const std::vector<char>& want = added[static_cast<size_t>(i)];
    for (const FieldDescriptor& fd : layout.fields) {
      EXPECT_EQ(ElementText(fd.type, buffer.data() + fd.offset, fd.size),
                ElementText(fd.type, want.data() + fd.offset, fd.size))
          << fd.label << " of " << i;
    }
    EXPECT_EQ(std::memcmp(buffer.data(), want.data(), 4), 0);
  }
  // A whole-record look-up matches whatever lies behind a terminator.
  std::memcpy(buffer.data() + 128, "XYZ", 3);
  q.FindKeyed(KeyList{});
  EXPECT_EQ(ErrorCode(), 0);
  EXPECT_EQ(q.CurrentPosition(), 40);
}

TEST_F(RecordQueueTest, TextsUnderAnOverlayKeepEveryByte) {
  // A STRING declared OVER a CSTRING: the CSTRING's tail is the STRING's
  // value, so compression must not clear it.
  RecordDeclarationBuilder b;
  b.Long("O:ID").CString("O:C", 40).Over("O:C").String("O:S", 40).String("O:PAD", 100);
  RecordDeclaration layout = b.Build();
  std::vector<char> buffer(layout.record_length);
  RecordQueue q(&layout, buffer.data());
  EXPECT_EQ(q.CompressionMode(), 1);
  ClearRecord(layout, buffer.data(), 0);
  std::memcpy(buffer.data() + 4, "ab\0cdefgh", 9);
  const std::vector<char> added = buffer;
  q.Append();
  std::fill(buffer.begin(), buffer.end(), 'x');
  q.FetchAt(1);
  EXPECT_EQ(buffer, added);
}

TEST_F(RecordQueueTest, CreateQueueOwnsItsBuffer) {
  RecordDeclarationBuilder b;
  b.Long("C:N").String("C:S", 4);
  std::unique_ptr<RecordQueue> q = CreateQueue(b.Build());
  ASSERT_NE(q, nullptr);
  EXPECT_EQ(q->RecordSize(), 8u);
  EXPECT_EQ(q->FieldCount(), 2);
  EXPECT_EQ(std::string(q->Buffer() + 4, 4), "    ");
  for (int32_t n : {3, 1, 2}) {
    std::memcpy(q->Buffer(), &n, 4);
    q->InsertKeyed({-1});
  }
  q->FetchAt(1);
  int32_t first;
  std::memcpy(&first, q->Buffer(), 4);
  EXPECT_EQ(first, 3);
  DestroyQueue(q);
  EXPECT_EQ(q, nullptr);
}

// Many look-ups by one key switch an ordering to its hash index; from then on
// every look-up, insertion, rewrite and removal must still find exactly what
// a sorted list would: the first entry of the equal run, or nothing.
TEST_F(RecordQueueTest, LookUpsGiveTheSameEntriesOnceHashed) {
  struct Model {
    KeyList keys;
    std::vector<Row> sorted;  // the ordering: by key, equal keys as they came
  };
  auto compare = [](const KeyList& keys, const Row& a, const Row& b) {
    for (int32_t k : keys) {
      int c = 0;
      if (std::abs(k) == 1) c = (a.id > b.id) - (a.id < b.id);
      if (std::abs(k) == 2) c = CompareBlankPadded(a.name, b.name);
      if (std::abs(k) == 4) c = CompareBlankPadded(a.code, b.code);
      if (c != 0) return k < 0 ? -c : c;
    }
    return 0;
  };
  auto insert = [&](Model& m, const Row& r) {
    auto at = std::find_if(m.sorted.begin(), m.sorted.end(),
                           [&](const Row& x) { return compare(m.keys, r, x) < 0; });
    m.sorted.insert(at, r);
  };
  // Scores are serial numbers here: they tell entries with equal keys apart.
  auto find = [](Model& m, double serial) {
    return std::find_if(m.sorted.begin(), m.sorted.end(),
                        [&](const Row& x) { return x.score == serial; });
  };
  // Key 1 is a single LONG (narrow), key 4,2 a CSTRING(8) and a STRING(10)
  // (wide); both qualify for a hash index.
  std::vector<Model> models = {{{1}, {}}, {{-4, 2}, {}}};
  const char* codes[] = {"ab", "ab ", "b", "", "zz"};
  const char* names[] = {"Ann", "ann", "Bo"};
  std::mt19937 random(11);
  double serial = 0;
  auto random_row = [&] {
    return Row{static_cast<int32_t>(random() % 60), names[random() % 3], ++serial,
               codes[random() % 5]};
  };
  QueueFixture f;
  for (int i = 0; i < 80; ++i) {
    Row r = random_row();
    f.Set(r);
    f.q().Append();
    for (Model& m : models) insert(m, r);
  }
  for (Model& m : models) f.q().FindKeyed(m.keys);  // both orderings exist from here on
  for (int step = 0; step < 1500; ++step) {
    Model& m = models[random() % 2];
    Row probe = random_row();
    f.Set(probe);
    f.q().FindKeyed(m.keys);
    auto first = std::find_if(m.sorted.begin(), m.sorted.end(),
                              [&](const Row& x) { return compare(m.keys, probe, x) == 0; });
    if (first == m.sorted.end()) {
      ASSERT_EQ(ErrorCode(), 30) << step;
      continue;
    }
    ASSERT_EQ(ErrorCode(), 0) << step;
    ASSERT_EQ(f.Score(), first->score) << step;
    switch (random() % 6) {
      case 0: {  // remove what was found
        f.q().Remove();
        const double removed = first->score;
        for (Model& each : models) each.sorted.erase(find(each, removed));
        break;
      }
      case 1: {  // rewrite it with other keys
        Row changed = random_row();
        const double old_serial = f.Score();
        f.Set(changed);
        f.q().Rewrite();
        for (Model& each : models) {
          auto at = find(each, old_serial);
          if (compare(each.keys, *at, changed) == 0) {
            *at = changed;
          } else {
            each.sorted.erase(at);
            insert(each, changed);
          }
        }
        break;
      }
      case 2:
      case 3: {  // add by the other key, which sorts in every ordering
        Row added = random_row();
        f.Set(added);
        f.q().InsertKeyed(models[0].keys);
        for (Model& each : models) insert(each, added);
        break;
      }
      default:
        break;
    }
    ASSERT_EQ(ErrorCode(), 0) << step;
  }
  EXPECT_GT(f.q().Count(), 80);
}

TEST_F(RecordQueueTest, AHashedPositionOrderFollowsEntriesPlacedAtTheStartOfARun) {
  QueueFixture f;
  for (int32_t i = 0; i < 50; ++i) f.Add({{i / 2, "", static_cast<double>(i + 1), ""}});
  f.q().Reorder({1});
  auto first_score_of = [&](int32_t id) {
    f.Set({id, "", 0, ""});
    f.q().FindKeyed({1});
    EXPECT_EQ(ErrorCode(), 0);
    return f.Score();
  };
  for (int i = 0; i < 70; ++i) first_score_of(3);
  // Id 10 first stands at position 21; an entry placed there keeps the order.
  f.Set({10, "", 999, ""});
  f.q().InsertAt(21);
  EXPECT_EQ(first_score_of(10), 999);
  EXPECT_EQ(f.q().CurrentPosition(), 21);
  f.Set({10, "", 555, ""});
  f.q().Rewrite();
  EXPECT_EQ(first_score_of(10), 555);
  f.q().Remove();
  EXPECT_EQ(first_score_of(10), 21);
  f.q().Remove();
  EXPECT_EQ(first_score_of(10), 22);
  f.q().Remove();
  f.Set({10, "", 0, ""});
  f.q().FindKeyed({1});
  EXPECT_EQ(ErrorCode(), 30);
}

TEST_F(RecordQueueTest, ARecordOfNoFieldsStillCounts) {
  RecordDeclaration nothing;
  char buffer[1] = {};
  RecordQueue q(&nothing, buffer);
  q.Append();
  q.Append();
  q.FetchAt(2);
  EXPECT_EQ(ErrorCode(), 0);
  q.FindKeyed(KeyList{});
  EXPECT_EQ(q.CurrentPosition(), 1);
  q.Reorder({1});
  EXPECT_EQ(ErrorCode(), 75);
  EXPECT_EQ(q.Count(), 2);
}

}  // namespace
}  // namespace vaultara::data
