// The message box seam for tests: a test states the boxes it expects, in
// order, and the answer to each. Any other box, or a missing one, fails it.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "platform/prompter.h"

namespace testing_support {

struct ShownBox {
  win::HWND owner;
  std::string text;     // UTF-8
  std::string caption;  // UTF-8
  win::UINT flags;
};

class ScriptedPrompter : public win::Prompter {
 public:
  ~ScriptedPrompter() override {
    for (const auto& box : expected_)
      ADD_FAILURE() << "expected message box was not shown: " << box.text;
  }

  // Text and caption in UTF-8, as the test reads them.
  ScriptedPrompter& expect(std::string text, std::string caption, win::UINT flags,
                           int answer = IDOK) {
    expected_.push_back({std::move(text), std::move(caption), flags, answer});
    return *this;
  }

  int messageBox(win::HWND owner, const std::string& text, const std::string& caption,
                 win::UINT flags) override {
    ShownBox box{owner, win::ansiToUtf8(text), win::ansiToUtf8(caption), flags};
    shown_.push_back(box);
    if (expected_.empty()) {
      ADD_FAILURE() << "unexpected message box: [" << box.caption << "] " << box.text;
      return (flags & MB_TYPEMASK) == MB_YESNO ? IDNO : IDOK;
    }
    Expected next = expected_.front();
    expected_.pop_front();
    EXPECT_EQ(box.text, next.text);
    EXPECT_EQ(box.caption, next.caption);
    EXPECT_EQ(box.flags, next.flags);
    return next.answer;
  }

  const std::vector<ShownBox>& shown() const { return shown_; }
  bool done() const { return expected_.empty(); }

 private:
  struct Expected {
    std::string text;
    std::string caption;
    win::UINT flags;
    int answer;
  };
  std::deque<Expected> expected_;
  std::vector<ShownBox> shown_;
};

}  // namespace testing_support
