#include "CliFixture.h"

#include <stdlib.h>

#include "job/CryptJob.h"
#include "job/KeyDerivation.h"
#include "job/Windows1252.h"
#include "sha/SHA.h"

void CliTest::SetUp() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tolvane-cli-XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  Dir = pattern;
}

void CliTest::TearDown() {
  std::error_code ignored;
  std::filesystem::remove_all(Dir, ignored);
}

std::string CliTest::PasswordFile(const std::string& line, const std::string& name) {
  WriteWholeFile(Path(name), line);
  return Path(name);
}

namespace {

class TAnswerYes : public IUserPrompt {
 public:
  int ShowMessage(const std::string&, const std::string&, unsigned flags) override {
    return (flags & mb::ButtonMask) == mb::YESNO ? idYes : idOK;
  }
};

}  // namespace

void ProcessLikeTheWindow(bool encrypt, const std::string& source, const std::string& target,
                          const std::string& utf8Password, TCipherMode mode, bool useHashes) {
  BuildMdsTables();
  TTwofish twofish;
  twofish.SetCipherMode(TCipherMode::CBC);
  twofish.SetKeySize(TKeySize::Large256);
  twofish.SetStringMode(TStringMode::smEncode);
  twofish.SetCipherMode(mode);
  TSHA sha;
  const TWindows1252Result password = Utf8ToWindows1252(utf8Password);
  ASSERT_TRUE(password.Ok);
  const TKeyTexts keys = DeriveKeyTexts(password.Bytes, useHashes, sha);
  TAnswerYes prompt;
  TCryptJob job(twofish, prompt, encrypt, false, source, target, keys.IVText, keys.KeyText);
  job.RunJob();
  ASSERT_EQ(job.Outcome(), TJobOutcome::Succeeded);
}

std::set<std::string> Listing(const std::string& dir) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

std::string SampleContent(std::size_t size) {
  std::string content(size, '\0');
  std::uint32_t x = 0x12345678u;
  for (char& c : content) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 23);
  }
  return content;
}
