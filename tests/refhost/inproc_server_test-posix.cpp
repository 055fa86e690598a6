// The Linux host library as the tool reaches it: loaded with dlopen, driven through the
// in-process interface.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/inproc-abi.h"
#include "refhost_test_util.h"

namespace tolvanehost::test {
namespace {

constexpr int32_t kUnknownName = static_cast<int32_t>(0x80020006);
constexpr int32_t kException = static_cast<int32_t>(0x80020009);

class InprocServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    library_ = dlopen(TOLVANEHOST_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library_, nullptr) << dlerror();
    create_ = reinterpret_cast<InprocCreateObjectFn>(dlsym(library_, INPROC_CREATE_OBJECT_SYMBOL));
    ASSERT_NE(create_, nullptr);
  }
  void TearDown() override {
    if (object_) object_->vtbl->release(object_);
    unsetenv("TOLVANE_HOST_CONFIG");
    if (library_) dlclose(library_);
  }

  // Creates the host with `ini` after a [Host] section that puts journal and spool in `dir`.
  void Create(const std::string& ini = "") {
    WriteBytes(dir.File("host.ini"),
               "[Host]\nJournal=" + dir.File("journal.txt") + "\nSpool=" + dir.Path() + "\n" + ini);
    setenv("TOLVANE_HOST_CONFIG", dir.File("host.ini").c_str(), 1);
    ASSERT_EQ(create_("tolvane.app", &object_), 0);
    ASSERT_NE(object_, nullptr);
  }

  int32_t Lookup(const char* name, int32_t* id) {
    return object_->vtbl->get_id_of_name(object_, name, id);
  }

  struct Result {
    int32_t status;
    InprocVariant value;
    std::string text;  // the text result, or the exception's description
    int32_t code;
  };

  // Looks `name` up and calls it; frees whatever the host handed back.
  Result Call(const char* name, std::vector<InprocVariant> args = {}) {
    int32_t id = 0;
    EXPECT_EQ(Lookup(name, &id), 0) << name;
    Result r{};
    char* description = nullptr;
    r.status = object_->vtbl->invoke(object_, id, args.data(), static_cast<int32_t>(args.size()),
                                     &r.value, &description, &r.code);
    if (r.value.type == INPROC_TEXT) {
      r.text.assign(r.value.text, r.value.text_length);
      object_->vtbl->free_text(r.value.text);
      r.value.text = nullptr;
    }
    if (description) {
      r.text = description;
      object_->vtbl->free_text(description);
    }
    return r;
  }

  static InprocVariant Text(const std::string& bytes, bool byRef) {
    InprocVariant v{};
    v.type = INPROC_TEXT;
    v.by_ref = byRef;
    v.text = const_cast<char*>(bytes.data());
    v.text_length = bytes.size();
    return v;
  }
  static InprocVariant Bool(bool b) {
    InprocVariant v{};
    v.type = INPROC_BOOL;
    v.boolean = b;
    return v;
  }

  TempDir dir;
  void* library_ = nullptr;
  InprocCreateObjectFn create_ = nullptr;
  InprocObject* object_ = nullptr;
};

TEST_F(InprocServerTest, ServesOnlyItsProgIdAndReadsTheEnvironmentAtCreation) {
  InprocObject* other = nullptr;
  EXPECT_EQ(create_("other.app", &other), static_cast<int32_t>(0x80040154));
  EXPECT_EQ(other, nullptr);

  unsetenv("TOLVANE_HOST_CONFIG");
  ASSERT_EQ(create_("Tolvane.App", &object_), 0);
  Result version = Call("ControlGetVersion");
  EXPECT_EQ(version.value.type, INPROC_TEXT);
  EXPECT_EQ(version.text, "1.3.18.0");

  WriteBytes(dir.File("bad.ini"), "[Answers]\nNewsImport=maybe\n");
  setenv("TOLVANE_HOST_CONFIG", dir.File("bad.ini").c_str(), 1);
  InprocObject* refused = nullptr;
  EXPECT_LT(create_("tolvane.app", &refused), 0);
  EXPECT_EQ(refused, nullptr);
}

TEST_F(InprocServerTest, LooksUpRegardlessOfCase) {
  Create("[Failures]\nControlGetPath=unknown\n");
  int32_t id = 0;
  EXPECT_EQ(Lookup("controlgetserverpath", &id), 0);
  EXPECT_EQ(id, 2);
  EXPECT_EQ(Lookup("NEWSIMPORT", &id), 0);
  EXPECT_EQ(id, 4);
  EXPECT_EQ(Lookup("ControlGetPath", &id), kUnknownName);
  EXPECT_EQ(Lookup("NoSuchMethod", &id), kUnknownName);
}

TEST_F(InprocServerTest, HandsBackEachAnswerType) {
  Create(
      "Path=\"C:\\T\xF6lvane\\ \"\n[Answers]\nNewsImport=int:-1\nControlGetVersion=double:-1.4\n"
      "ControlGetServerPath=bool:false\n");
  Result path = Call("ControlGetPath");
  EXPECT_EQ(path.status, 0);
  EXPECT_EQ(path.value.type, INPROC_TEXT);
  EXPECT_EQ(path.text, "C:\\T\xF6lvane\\ ");
  std::string article("a", 1);
  Result import =
      Call("NewsImport", {Text(article, true), Text("g", true), Bool(false), Bool(false)});
  EXPECT_EQ(import.value.type, INPROC_INT);
  EXPECT_EQ(import.value.integer, -1);
  Result version = Call("ControlGetVersion");
  EXPECT_EQ(version.value.type, INPROC_DOUBLE);
  EXPECT_EQ(version.value.real, -1.4);
  Result server = Call("ControlGetServerPath");
  EXPECT_EQ(server.value.type, INPROC_BOOL);
  EXPECT_EQ(server.value.boolean, 0);
}

TEST_F(InprocServerTest, RaisesConfiguredExceptionsAndStatuses) {
  Create(
      "[Failures]\nControlGetPath=exception:Host refuses. . .\n"
      "ControlGetVersion=exception-code:80004005\nControlGetServerPath=status:80070005\n");
  Result path = Call("ControlGetPath");
  EXPECT_EQ(path.status, kException);
  EXPECT_EQ(path.text, "Host refuses. . .");
  EXPECT_EQ(path.code, static_cast<int32_t>(0x80004005));
  Result version = Call("ControlGetVersion");
  EXPECT_EQ(version.status, kException);
  EXPECT_EQ(version.text, "");
  EXPECT_EQ(version.code, static_cast<int32_t>(0x80004005));
  Result server = Call("ControlGetServerPath");
  EXPECT_EQ(server.status, static_cast<int32_t>(0x80070005));
  EXPECT_EQ(server.code, 0);
}

TEST_F(InprocServerTest, JournalsAndSpoolsArticlesWithNulBytes) {
  Create();
  const std::string article("Newsgroups: alt.test\r\n\r\nA\0B\r\n", 29);
  const std::string group("alt.test");
  InprocVariant empty{};
  InprocVariant integer{};
  integer.type = INPROC_INT;
  integer.integer = 7;
  Call("controlgetpath");
  Result import =
      Call("newsimport", {Text(article, true), Text(group, true), Bool(false), Bool(false)});
  EXPECT_EQ(import.status, 0);
  EXPECT_EQ(import.value.type, INPROC_BOOL);
  EXPECT_EQ(import.value.boolean, 1);
  Result wrong = Call("NewsImport", {Text(article, false), integer, empty, Bool(true)});
  EXPECT_NE(wrong.status, 0);
  EXPECT_EQ(ReadBytes(dir.File("article-1.txt")), article);
  EXPECT_EQ(ReadBytes(dir.File("article-1.group")), group);
  EXPECT_FALSE(FileExists(dir.File("article-2.txt")));
  EXPECT_EQ(ReadBytes(dir.File("journal.txt")),
            "lookup controlgetpath\n"
            "invoke controlgetpath\n"
            "lookup newsimport\n"
            "invoke newsimport text& text& bool:false bool:false\n"
            "lookup NewsImport\n"
            "invoke NewsImport text int:7 empty bool:true\n");
}

}  // namespace
}  // namespace tolvanehost::test
