// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileError.h"

#include "platform/SystemError.h"

namespace {

class TFileErrorCategory : public std::error_category {
 public:
  const char* name() const noexcept override { return "tolvane-file"; }
  // Users read these in the words their system uses for the nearest failure
  // it knows (SystemErrorText).
  std::string message(int value) const override {
    return SystemErrorText(std::error_code(value, *this));
  }
};

}  // namespace

const std::error_category& FileErrorCategory() {
  static const TFileErrorCategory category;
  return category;
}
