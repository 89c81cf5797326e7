// The surroundings of the print style tests: the styles registered, message
// boxes answered No and kept, and an owner for the styles a test makes.
#pragma once

#include <gtest/gtest.h>

#include <QObject>
#include <string>
#include <vector>

#include "dialogs/PrintStyles.h"
#include "platform/MessageDialogs.h"
#include "tests/ModalAnswers.h"

class PrintStyleFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    dxPSRegisterPrintStyles();
    AnswerMessageBoxes([this](TMessageBoxKind, const std::string&, const std::string& text) {
      Messages.push_back(text);
      return false;
    });
  }
  void TearDown() override { AnswerMessageBoxes(nullptr); }

  TBasedxPrintStyle* Add(TdxPrintStyleManager& manager, const std::string& caption) {
    TBasedxPrintStyle* style = manager.AddStyle(TdxPSPrintStyle::StaticClass());
    style->SetStyleCaption(caption);
    return style;
  }

  QObject owner;  // owns the styles
  std::vector<std::string> Messages;
};
