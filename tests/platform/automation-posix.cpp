#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>

#include "platform/posix.h"
#include "posix_test_support.h"

namespace kelbrin::test {
namespace {

// ---- Registration lookup -------------------------------------------------------------------

class PosixAutomationRegistry : public ::testing::Test {
 protected:
  PosixAutomationRegistry() {
    env_.Set("XDG_CONFIG_HOME", dir_.Path().c_str());
    std::filesystem::create_directories(dir_ / "inproc-servers");
  }
  void Register(const std::string& fileName, const std::string& content) {
    WriteFile(dir_ / ("inproc-servers/" + fileName), content);
  }
  int32_t Create(const std::string& progId) {
    std::unique_ptr<AutomationObject> object;
    int32_t status = automation_->Create(progId, &object);
    EXPECT_EQ(object != nullptr, status >= 0) << progId;
    return status;
  }

  ScratchDir dir_;
  ScopedEnv env_;
  std::unique_ptr<Automation> automation_ = posix::NewAutomation();
};

TEST_F(PosixAutomationRegistry, TheDirectoryComesFromXdgConfigHomeElseHome) {
  EXPECT_EQ(posix::InprocRegistryDirectory(), dir_.Path() + "/inproc-servers/");
  ScopedEnv env;
  env.Set("HOME", "/home/user");
  for (const char* unusable : {"", "relative/dir"}) {
    env.Set("XDG_CONFIG_HOME", unusable);
    EXPECT_EQ(posix::InprocRegistryDirectory(), "/home/user/.config/inproc-servers/");
  }
  env.Set("XDG_CONFIG_HOME", nullptr);
  EXPECT_EQ(posix::InprocRegistryDirectory(), "/home/user/.config/inproc-servers/");
}

TEST_F(PosixAutomationRegistry, AProgIdWithoutRegistrationIsNotRegistered) {
  EXPECT_EQ(Create("tolvane.app"), kStatusClassNotRegistered);
  EXPECT_EQ(Create(""), kStatusClassNotRegistered);
  // Names that would reach outside the directory are no registrations either.
  Register("x", "/nonexistent/lib.so\n");
  EXPECT_EQ(Create("../inproc-servers/x"), kStatusClassNotRegistered);
  Register("empty.app", "\n");
  EXPECT_EQ(Create("empty.app"), kStatusClassNotRegistered);
}

TEST_F(PosixAutomationRegistry, TheProgIdIsLookedUpInLowerCase) {
  Register("tolvane.app", "/nonexistent/libtolvanehost.so\r\nsecond line ignored\n");
  // Found, whatever the case; the library itself is missing.
  EXPECT_EQ(Create("Tolvane.APP"), static_cast<int32_t>(0x8007007E));
}

TEST_F(PosixAutomationRegistry, ALibraryWithoutTheFactoryFails) {
  Dl_info libc;
  ASSERT_NE(::dladdr(reinterpret_cast<void*>(&std::strlen), &libc), 0);
  Register("tolvane.app", std::string(libc.dli_fname) + "\n");
  EXPECT_EQ(Create("tolvane.app"), static_cast<int32_t>(0x8007007F));
}

// ---- The object adapter, against a scripted object in this process -------------------------

// Counts every text buffer, so that a leak or a double free shows.
std::set<char*> g_liveTexts;

char* AllocText(size_t length) {
  char* text = static_cast<char*>(std::malloc(length + 1));
  text[length] = '\0';
  g_liveTexts.insert(text);
  return text;
}

void FreeText(char* text) {
  EXPECT_EQ(g_liveTexts.erase(text), 1u) << "freed twice or never allocated";
  std::free(text);
}

char* CopyText(const std::string& text) {
  char* copy = AllocText(text.size());
  std::memcpy(copy, text.data(), text.size());
  return copy;
}

struct ScriptedObject : InprocObject {
  std::vector<std::string> names;
  std::vector<InprocVariant> seenArgs;
  std::vector<std::string> seenTexts;
  int32_t status = kStatusOk;
  InprocVariant answer = {};
  std::string answerText;
  std::string replaceFirstWith;    // when set, the first by-ref text is replaced
  bool upperFirstInPlace = false;  // the first by-ref text is changed in its own buffer
  bool released = false;
};

ScriptedObject& Self(InprocObject* self) {
  return *static_cast<ScriptedObject*>(self);
}

int32_t ScriptedGetIdOfName(InprocObject* self, const char* name, int32_t* id) {
  Self(self).names.push_back(name);
  if (std::strcmp(name, "Unknown") == 0) return kStatusUnknownName;
  *id = 7;
  return kStatusOk;
}

int32_t ScriptedInvoke(InprocObject* self, int32_t, InprocVariant* args, int32_t count,
                       InprocVariant* result, char** description, int32_t* code) {
  ScriptedObject& object = Self(self);
  for (int32_t i = 0; i < count; ++i) {
    object.seenArgs.push_back(args[i]);
    object.seenTexts.push_back(args[i].text ? std::string(args[i].text, args[i].text_length)
                                            : std::string());
  }
  if (!object.replaceFirstWith.empty() && count > 0 && args[0].by_ref) {
    FreeText(args[0].text);  // the callee owns the buffer it replaces
    args[0].text = CopyText(object.replaceFirstWith);
    args[0].text_length = object.replaceFirstWith.size();
  }
  if (object.upperFirstInPlace && count > 0 && args[0].by_ref) {
    for (size_t i = 0; i < args[0].text_length; ++i) {
      args[0].text[i] =
          static_cast<char>(std::toupper(static_cast<unsigned char>(args[0].text[i])));
    }
  }
  if (object.status == kStatusException) {
    *description = CopyText("Spool voll.  ");
    *code = 0x1234;
  }
  *result = object.answer;
  if (result->type == INPROC_TEXT) {
    result->text = CopyText(object.answerText);
    result->text_length = object.answerText.size();
  }
  return object.status;
}

void ScriptedRelease(InprocObject* self) {
  Self(self).released = true;
}

const InprocObjectVtbl kScriptedVtbl = {ScriptedGetIdOfName, ScriptedInvoke, ScriptedRelease,
                                        AllocText, FreeText};

class PosixAutomationObject : public ::testing::Test {
 protected:
  PosixAutomationObject() {
    scripted_.vtbl = &kScriptedVtbl;
    object_ = posix::AdoptInprocObject(&scripted_);
  }
  ~PosixAutomationObject() override { EXPECT_TRUE(g_liveTexts.empty()) << "text buffers leaked"; }

  ScriptedObject scripted_;
  std::unique_ptr<AutomationObject> object_;
};

TEST_F(PosixAutomationObject, PassesArgumentsInOrderAndCopiesByRefTextsBack) {
  const std::string article("From: x\r\n\0body", 15);
  std::vector<Variant> args = {Variant::Text(article, true), Variant::Text("alt.test", true),
                               Variant::Bool(false), Variant::Bool(true)};
  args.push_back(Variant{});
  args.back().type = Variant::Type::Int;
  args.back().integer = -5;
  scripted_.replaceFirstWith = std::string("new\0text", 8);
  scripted_.answer.type = INPROC_BOOL;
  scripted_.answer.boolean = 1;

  int32_t id = 0;
  ASSERT_EQ(object_->GetIdOfName("NewsImport", &id), kStatusOk);
  EXPECT_EQ(scripted_.names, std::vector<std::string>{"NewsImport"});
  CallOutcome outcome = object_->Invoke(id, args);

  EXPECT_EQ(outcome.status, kStatusOk);
  EXPECT_EQ(outcome.result.type, Variant::Type::Bool);
  EXPECT_TRUE(outcome.result.boolean);
  ASSERT_EQ(scripted_.seenArgs.size(), 5u);
  EXPECT_EQ(scripted_.seenTexts[0], article);  // NUL bytes and all
  EXPECT_EQ(scripted_.seenArgs[0].by_ref, 1);
  EXPECT_EQ(scripted_.seenTexts[1], "alt.test");
  EXPECT_EQ(scripted_.seenArgs[2].type, INPROC_BOOL);
  EXPECT_EQ(scripted_.seenArgs[2].boolean, 0);
  EXPECT_EQ(scripted_.seenArgs[3].boolean, 1);
  EXPECT_EQ(scripted_.seenArgs[4].type, INPROC_INT);
  EXPECT_EQ(scripted_.seenArgs[4].integer, -5);
  EXPECT_EQ(args[0].text, std::string("new\0text", 8));
  EXPECT_EQ(args[1].text, "alt.test");
}

TEST_F(PosixAutomationObject, ByRefTextChangedInItsOwnBufferComesBackChanged) {
  // Same buffer, same length, other bytes: only a look at the bytes tells.
  std::vector<Variant> args = {Variant::Text("alt.test", true), Variant::Text("de.test", true)};
  scripted_.upperFirstInPlace = true;
  EXPECT_EQ(object_->Invoke(1, args).status, kStatusOk);
  EXPECT_EQ(args[0].text, "ALT.TEST");
  EXPECT_EQ(args[1].text, "de.test");
}

TEST_F(PosixAutomationObject, ConvertsResultsOfEveryType) {
  std::vector<Variant> none;
  scripted_.answer.type = INPROC_TEXT;
  scripted_.answerText = std::string("C:\\Tolvane\\\0x", 13);
  CallOutcome text = object_->Invoke(1, none);
  EXPECT_EQ(text.result.type, Variant::Type::Text);
  EXPECT_EQ(text.result.text, scripted_.answerText);

  const std::pair<InprocVariant, Variant::Type> cases[] = {
      {{INPROC_EMPTY, 0, 0, 0, 0, nullptr, 0}, Variant::Type::Empty},
      {{INPROC_NULL, 0, 0, 0, 0, nullptr, 0}, Variant::Type::Null},
      {{INPROC_INT, 0, 0, -1, 0, nullptr, 0}, Variant::Type::Int},
      {{INPROC_DOUBLE, 0, 0, 0, 2.5, nullptr, 0}, Variant::Type::Double},
  };
  for (const auto& [answer, type] : cases) {
    scripted_.answer = answer;
    CallOutcome outcome = object_->Invoke(1, none);
    EXPECT_EQ(outcome.result.type, type);
    EXPECT_EQ(outcome.result.integer, answer.integer);
    EXPECT_EQ(outcome.result.real, answer.real);
  }
}

TEST_F(PosixAutomationObject, HandsOnFailuresAndExceptions) {
  std::vector<Variant> none;
  int32_t id = 0;
  EXPECT_EQ(object_->GetIdOfName("Unknown", &id), kStatusUnknownName);
  scripted_.status = kStatusFail;
  EXPECT_EQ(object_->Invoke(1, none).status, kStatusFail);
  scripted_.status = kStatusException;
  CallOutcome outcome = object_->Invoke(1, none);
  EXPECT_EQ(outcome.status, kStatusException);
  EXPECT_EQ(outcome.exceptionDescription, "Spool voll.  ");
  EXPECT_EQ(outcome.exceptionCode, 0x1234);
}

TEST_F(PosixAutomationObject, ReleasesTheObjectWhenDestroyed) {
  EXPECT_FALSE(scripted_.released);
  object_.reset();
  EXPECT_TRUE(scripted_.released);
}

}  // namespace
}  // namespace kelbrin::test
