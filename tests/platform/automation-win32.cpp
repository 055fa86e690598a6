#include <gtest/gtest.h>

#include "platform/automation.h"
#include "platform/win32.h"

namespace kelbrin::test {
namespace {

// Wine and Windows both ship the scripting runtime's dictionary, a late-bound object that
// hands back whatever was stored in it: enough to see every argument and result conversion.
constexpr const char* kDictionary = "Scripting.Dictionary";

class Win32Automation : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(automation_->Create(kDictionary, &dictionary_), kStatusOk);
    ASSERT_TRUE(dictionary_);
  }

  CallOutcome Call(const std::string& name, std::vector<Variant> args) {
    int32_t id = 0;
    int32_t status = dictionary_->GetIdOfName(name, &id);
    if (status != kStatusOk) {
      CallOutcome failed;
      failed.status = status;
      return failed;
    }
    return dictionary_->Invoke(id, args);
  }

  // Stores `item` under `key` and reads it back.
  Variant RoundTrip(const std::string& key, Variant item) {
    EXPECT_EQ(Call("Add", {Variant::Text(key), item}).status, kStatusOk);
    CallOutcome got = Call("Item", {Variant::Text(key)});
    EXPECT_EQ(got.status, kStatusOk);
    return got.result;
  }

  std::unique_ptr<Automation> automation_ = win32::NewAutomation();
  std::unique_ptr<AutomationObject> dictionary_;
};

TEST_F(Win32Automation, TextsKeepEveryByte) {
  const std::string text("Gr\xF6\xDF" "e\0nach NUL\r\n", 17);
  Variant back = RoundTrip("k", Variant::Text(text));
  EXPECT_EQ(back.type, Variant::Type::Text);
  EXPECT_EQ(back.text, text);
  EXPECT_EQ(RoundTrip("empty", Variant::Text("")).text, "");
}

TEST_F(Win32Automation, ScalarsComeBackAsTheirKinds) {
  Variant yes = RoundTrip("yes", Variant::Bool(true));
  EXPECT_EQ(yes.type, Variant::Type::Bool);
  EXPECT_TRUE(yes.boolean);
  Variant no = RoundTrip("no", Variant::Bool(false));
  EXPECT_EQ(no.type, Variant::Type::Bool);
  EXPECT_FALSE(no.boolean);

  Variant number;
  number.type = Variant::Type::Int;
  number.integer = -1;
  Variant intBack = RoundTrip("int", number);
  EXPECT_EQ(intBack.type, Variant::Type::Int);
  EXPECT_EQ(intBack.integer, -1);

  Variant fraction;
  fraction.type = Variant::Type::Double;
  fraction.real = 2.5;
  Variant doubleBack = RoundTrip("double", fraction);
  EXPECT_EQ(doubleBack.type, Variant::Type::Double);
  EXPECT_EQ(doubleBack.real, 2.5);

  Variant null;
  null.type = Variant::Type::Null;
  EXPECT_EQ(RoundTrip("null", null).type, Variant::Type::Null);
  EXPECT_EQ(RoundTrip("nothing", Variant{}).type, Variant::Type::Empty);
}

// Arguments go out in order: the dictionary counts and finds keys, not items.
TEST_F(Win32Automation, ArgumentsKeepTheirOrder) {
  ASSERT_EQ(Call("Add", {Variant::Text("key"), Variant::Text("item")}).status, kStatusOk);
  EXPECT_TRUE(Call("Exists", {Variant::Text("key")}).result.boolean);
  EXPECT_FALSE(Call("Exists", {Variant::Text("item")}).result.boolean);
  CallOutcome count = Call("Count", {});
  EXPECT_EQ(count.result.type, Variant::Type::Int);
  EXPECT_EQ(count.result.integer, 1);
}

TEST_F(Win32Automation, ByReferenceTextReachesTheCallee) {
  std::vector<Variant> args{Variant::Text("K\xE4y", true), Variant::Text("item")};
  int32_t id = 0;
  ASSERT_EQ(dictionary_->GetIdOfName("Add", &id), kStatusOk);
  ASSERT_EQ(dictionary_->Invoke(id, args).status, kStatusOk);
  EXPECT_EQ(args[0].text, "K\xE4y");
  EXPECT_EQ(Call("Item", {Variant::Text("K\xE4y")}).result.text, "item");
}

TEST_F(Win32Automation, NamesMatchWithoutRegardToCase) {
  EXPECT_EQ(Call("count", {}).status, kStatusOk);
  EXPECT_EQ(Call("COUNT", {}).status, kStatusOk);
  EXPECT_EQ(Call("ControlGetPath", {}).status, kStatusUnknownName);
}

// The dictionary refuses a second Add of a key by raising an exception with its own code.
TEST_F(Win32Automation, ExceptionsCarryTheirCode) {
  ASSERT_EQ(Call("Add", {Variant::Text("twice"), Variant::Text("1")}).status, kStatusOk);
  CallOutcome again = Call("Add", {Variant::Text("twice"), Variant::Text("2")});
  EXPECT_EQ(again.status, kStatusException);
  EXPECT_EQ(static_cast<uint32_t>(again.exceptionCode), 0x800A01C9u);
  // A call the object rejects outright is a plain failure status.
  EXPECT_EQ(static_cast<uint32_t>(Call("Item", {}).status),
            static_cast<uint32_t>(DISP_E_BADPARAMCOUNT));
}

TEST(Win32AutomationCreate, UnknownProgIdFails) {
  auto automation = win32::NewAutomation();
  std::unique_ptr<AutomationObject> object;
  EXPECT_LT(automation->Create("kelbrin.no-such-class", &object), 0);
  EXPECT_FALSE(object);
}

TEST(Win32AutomationStatusText, SystemTextWithoutTrailingPunctuation) {
  auto automation = win32::NewAutomation();
  std::string text = automation->StatusText(ERROR_ACCESS_DENIED);
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.back(), '.');
  EXPECT_NE(text.back(), '\n');
  EXPECT_NE(text.back(), ' ');
  EXPECT_EQ(automation->StatusText(static_cast<int32_t>(0xA0051234)), "");
}

}  // namespace
}  // namespace kelbrin::test
