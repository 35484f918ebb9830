// An engine with the in-memory part service, for the parts family's tests.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "../TestHost.h"
#include "FakeParts.h"
#include "parts/ObjectModel.h"

namespace nokari::test {

class PartsTest : public ::testing::Test {
 protected:
  // Declared first: the engine (which lends 母艦 from it) goes before it.
  FakePartService fake;
  testing::TestEngine t;

  PartsTest() { t.e.Services.Parts = &fake; }

  // Runs a program (UTF-8); what it printed since the last call.
  std::string Run(const std::string& program) {
    size_t before = t.host.Output.size();
    t.Run(program);
    return t.host.Output.substr(before);
  }
  // The error shown, "" when none.
  std::string Error() const { return t.host.Errors; }
  bool ErrorHas(const std::string& utf8) const { return t.host.Errors.find(utf8) != std::string::npos; }

  THashNode* Word(const std::string& utf8) { return t.e.Words.Find(FromUtf8(utf8)); }
  TObjNode* Record(const std::string& utf8) {
    THashNode* w = Word(utf8);
    return w && w->Kind == kObject ? t.e.Objects.GetAt(w->ObjectIndex) : nullptr;
  }
  FakePart* Widget(const std::string& utf8) {
    TObjNode* n = Record(utf8);
    return n ? static_cast<FakePart*>(n->Control()) : nullptr;
  }
  PartRect Rect(const std::string& utf8) {
    FakePart* p = Widget(utf8);
    return p ? p->Rect : PartRect{-1, -1, -1, -1};
  }
  std::string Caption(const std::string& utf8) {
    FakePart* p = Widget(utf8);
    return p ? ToUtf8(p->Caption) : "<none>";
  }
};

}  // namespace nokari::test
