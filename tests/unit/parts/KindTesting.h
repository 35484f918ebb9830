// One part of a chosen kind on the in-memory part service, reached through
// its kind's property rows as 設定 and 得る reach them: a property the
// rows leave without a getter or setter is the undefined-property error.
#pragma once
#include <functional>
#include <string>

#include "../TestHost.h"
#include "FakeParts.h"
#include "parts/PartKinds.h"
#include "parts/PartValues.h"

namespace nokari::test {

class TestPart {
 public:
  TestPart(testing::TestEngine& t, PartKind kind, const char* nameUtf8 = "部品1") : t_(t), kind_(kind) {
    node_.Name = Sj(nameUtf8);
    node_.Kind = static_cast<int>(kind);
    node_.Own(service_.Create(kind, service_.MainWindow()));
    word_.Name = node_.Name;
    word_.Kind = kObject;
    word_.TypeTag = Sj(parts::KindInfo(kind).Name);
    Fake().Rect = {10, 10, parts::KindInfo(kind).Width, parts::KindInfo(kind).Height};
  }

  FakePart& Fake() { return *static_cast<FakePart*>(node_.Control()); }
  TObjNode& Node() { return node_; }
  THashNode& Word() { return word_; }
  const parts::KindBehaviour& Behaviour() const { return *parts::KindInfo(kind_).Behaviour; }

  // Sets a property from a value written as in a script (UTF-8).
  void Set(parts::Prop p, const std::string& valueUtf8) {
    parts::Part part = Make();
    const parts::PropertyRow* row = parts::FindRow(parts::KindInfo(kind_), p);
    if (!row || !row->Set) parts::RaiseUndefinedProperty(part, p);
    row->Set(part, t_.Prepared(valueUtf8));
  }
  // Sets a property to a text held in a variable (lines and all).
  void SetTo(parts::Prop p, const std::string& textUtf8) {
    Let(t_, "試験値", textUtf8);
    Set(p, "試験値");
  }
  // A variable of the engine (UTF-8 name and value), made or replaced.
  static void Let(testing::TestEngine& t, const char* nameUtf8, const std::string& valueUtf8) {
    if (THashNode* word = t.e.Words.Find(Sj(nameUtf8)))
      word->SetValue(FromUtf8(valueUtf8));
    else
      t.e.Words.Add(std::make_shared<THashNode>(Sj(nameUtf8), FromUtf8(valueUtf8), 0, false));
  }
  // Reads a property (UTF-8); Mark() is then the row's type mark.
  std::string Get(parts::Prop p) {
    parts::Part part = Make();
    const parts::PropertyRow* row = parts::FindRow(parts::KindInfo(kind_), p);
    if (!row || !row->Get) parts::RaiseUndefinedProperty(part, p);
    mark_ = row->Mark;
    return ToUtf8(row->Get(part));
  }
  const char* Mark() const { return mark_; }

  // The object word read and assigned (an evaluated value, UTF-8).
  std::string Read() {
    parts::Part part = Make();
    return ToUtf8(Behaviour().ReadValue(part));
  }
  void Assign(const std::string& valueUtf8) {
    parts::Part part = Make();
    Behaviour().AssignValue(part, FromUtf8(valueUtf8));
  }

  // The message (UTF-8) of the error the action raises; "" when none.
  static std::string ErrorOf(const std::function<void()>& action) {
    try {
      action();
    } catch (const ENoka& err) {
      return ToUtf8(err.Message);
    }
    return {};
  }

 private:
  parts::Part Make() { return parts::Part{t_.e, word_, node_, *node_.Control()}; }

  testing::TestEngine& t_;
  PartKind kind_;
  FakePartService service_;
  TObjNode node_;
  THashNode word_;
  const char* mark_ = nullptr;
};

// A CP932 text as UTF-8 and back, for comparing what a fake holds.
inline std::string U(const std::string& cp932) { return ToUtf8(cp932); }
inline std::string S(const char* utf8) { return Sj(utf8); }

}  // namespace nokari::test
