#include "tests/controller/controller_fixture.h"

namespace intercom {
namespace {

using testing::ControllerTest;
using testing::kAddressRange;

std::string NotANumber(const std::string& text) {
  return "'" + text + "' is not a valid integer value.";
}

class AddressChecksTest : public ControllerTest {
 protected:
  // Types `text` after the field was set to `from` quietly.
  void Retype(TextField& field, const std::string& from, const std::string& text) {
    field.SetText(from);
    boxes.shown.clear();
    field.SetText(text);
  }
  std::vector<MessageKind> BoxKinds() const {
    std::vector<MessageKind> kinds;
    for (const auto& box : boxes.shown) kinds.push_back(box.kind);
    return kinds;
  }
};

TEST_F(AddressChecksTest, KeyFieldsRefuseAbove32AndFallBackToZero) {
  for (int n = 1; n <= 10; ++n) {
    SCOPED_TRACE("Edit" + std::to_string(n));
    Retype(panel.EditAt(n), "5", "33");

    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kAddressRange});
    EXPECT_EQ(BoxKinds(), std::vector<MessageKind>{MessageKind::Notice});
    EXPECT_EQ(panel.EditAt(n).Text(), "0");
  }
}

TEST_F(AddressChecksTest, KeyFieldsAcceptZeroNegativesAndTheTop) {
  for (int n = 1; n <= 10; ++n) {
    for (const char* text : {"32", "0", "-7"}) {
      SCOPED_TRACE("Edit" + std::to_string(n) + " " + text);
      Retype(panel.EditAt(n), "5", text);

      EXPECT_TRUE(boxes.shown.empty());
      EXPECT_EQ(panel.EditAt(n).Text(), text);
    }
  }
}

TEST_F(AddressChecksTest, LineFieldsRefuseOutsideZeroTo32) {
  for (TextField* field : {&panel.Edit14, &panel.Edit15}) {
    for (const char* text : {"33", "-1"}) {
      SCOPED_TRACE(field->Name() + " " + text);
      Retype(*field, "5", text);

      EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kAddressRange});
      EXPECT_EQ(field->Text(), "0");
    }
    for (const char* text : {"0", "32"}) {
      SCOPED_TRACE(field->Name() + " " + text);
      Retype(*field, "5", text);

      EXPECT_TRUE(boxes.shown.empty());
      EXPECT_EQ(field->Text(), text);
    }
  }
}

TEST_F(AddressChecksTest, DialogFieldRefusesOutsideOneTo32AndThenRefusesItsZero) {
  TextField& field = panel.Form3.Edit1;
  for (const char* text : {"33", "-1"}) {
    SCOPED_TRACE(text);
    Retype(field, "3", text);

    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{kAddressRange, kAddressRange}));
    EXPECT_EQ(field.Text(), "0");
  }

  Retype(field, "3", "0");

  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kAddressRange});
  EXPECT_EQ(field.Text(), "0");

  for (const char* text : {"1", "32"}) {
    SCOPED_TRACE(text);
    Retype(field, "3", text);

    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(field.Text(), text);
  }
}

TEST_F(AddressChecksTest, TextThatIsNotANumberIsAnErrorAndStays) {
  for (TextField* field : {&panel.Edit1, &panel.Edit10, &panel.Edit14, &panel.Form3.Edit1}) {
    for (const char* text : {"-", "abc", "12x"}) {
      SCOPED_TRACE(field->Name() + " " + text);
      Retype(*field, "5", text);

      EXPECT_EQ(boxes.Texts(), std::vector<std::string>{NotANumber(text)});
      EXPECT_EQ(BoxKinds(), std::vector<MessageKind>{MessageKind::Error});
      EXPECT_EQ(field->Text(), text);
    }
  }
}

TEST_F(AddressChecksTest, DeletingTheLastDigitIsAnErrorExceptInTheLastKeyField) {
  Retype(panel.Edit3, "5", "");

  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{NotANumber("")});
  EXPECT_EQ(panel.Edit3.Text(), "");

  Retype(panel.Edit10, "5", "");

  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(panel.Edit10.Text(), "");
}

TEST_F(AddressChecksTest, TypingDigitByDigitChecksEveryStep) {
  Retype(panel.Edit14, "", "4");
  EXPECT_TRUE(boxes.shown.empty());
  panel.Edit14.SetText("40");

  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kAddressRange});
  EXPECT_EQ(panel.Edit14.Text(), "0");

  Retype(panel.Form3.Edit1, "", "3");
  EXPECT_TRUE(boxes.shown.empty());
  panel.Form3.Edit1.SetText("33");

  EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{kAddressRange, kAddressRange}));
  EXPECT_EQ(panel.Form3.Edit1.Text(), "0");
}

TEST_F(AddressChecksTest, MinusBeforeTheDigitsIsAnErrorThenTheNumberIsChecked) {
  Retype(panel.Edit2, "5", "-");
  panel.Edit2.SetText("-5");

  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{NotANumber("-")});
  EXPECT_EQ(panel.Edit2.Text(), "-5");

  Retype(panel.Edit15, "5", "-");
  panel.Edit15.SetText("-5");

  EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{NotANumber("-"), kAddressRange}));
  EXPECT_EQ(panel.Edit15.Text(), "0");
}

TEST_F(AddressChecksTest, HexadecimalTextIsANumber) {
  Retype(panel.Edit5, "5", "$20");

  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(panel.Edit5.Text(), "$20");

  panel.Edit5.SetText("$21");

  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kAddressRange});
  EXPECT_EQ(panel.Edit5.Text(), "0");
}

}  // namespace
}  // namespace intercom
