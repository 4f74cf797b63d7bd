// A test fixture whose tests see the program's texts in English, with the
// language the process had put back afterwards.
#pragma once
#include <gtest/gtest.h>

#include "common/Texts.h"

namespace vk::test {

class EnglishTexts : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = AppLanguage();
    SetAppLanguage(kLangEnglish);
  }
  void TearDown() override { SetAppLanguage(saved_); }

 private:
  uint32_t saved_ = kLangEnglish;
};

}  // namespace vk::test
