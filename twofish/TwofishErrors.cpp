// SPDX-License-Identifier: GPL-3.0-or-later
#include "twofish/TwofishErrors.h"

const char* EKeyError::MessageOf(TKeyErrorCause cause) noexcept {
  switch (cause) {
    case TKeyErrorCause::KeyLength: return twofish_message::KeyLength;
    case TKeyErrorCause::KeyNotSet: return twofish_message::KeyNotSet;
    case TKeyErrorCause::IVNotSet: break;
  }
  return twofish_message::IVNotSet;
}

const char* EFileError::MessageOf(TFileErrorCause cause) noexcept {
  switch (cause) {
    case TFileErrorCause::InputNotFound: return twofish_message::InputNotFound;
    case TFileErrorCause::OutputNotCreated: return twofish_message::OutputNotCreated;
    case TFileErrorCause::ShortWrite: return twofish_message::ShortWrite;
    case TFileErrorCause::InvalidSize: return twofish_message::InvalidSize;
    case TFileErrorCause::InvalidPadding: break;
  }
  return twofish_message::InvalidPadding;
}
