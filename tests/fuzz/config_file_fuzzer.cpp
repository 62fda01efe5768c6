// The settings file on any bytes on disk: Load never fails on content, and
// what it read survives Save and Load unchanged, with every stored line free
// of line breaks. Then entries set by the program itself (any bytes, as a
// typed game folder may hold) must survive Save and Load as well.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "config/config_file.h"
#include "fuzz_check.h"

namespace {

using lobbyfind::config::cConfigFile;

// The file holds exactly two CR LF ended lines per entry and no other CR or LF.
void CheckStoredLines(const std::string& file, std::size_t entries) {
  std::size_t lines = 0;
  std::size_t start = 0;
  for (std::size_t end; (end = file.find("\r\n", start)) != std::string::npos; start = end + 2) {
    FUZZ_CHECK(std::string_view(file).substr(start, end - start).find_first_of("\r\n") == std::string_view::npos);
    ++lines;
  }
  FUZZ_CHECK(start == file.size());
  FUZZ_CHECK(lines == 2 * entries);
}

void CheckRoundTrip(const cConfigFile& saved) {
  saved.Save();
  const std::string written = lobbyfind::fuzz::ReadFile(saved.FileName());
  CheckStoredLines(written, saved.Keys().size());
  cConfigFile again(saved.FileName());
  FUZZ_CHECK(again.Loaded());
  FUZZ_CHECK(again.Keys() == saved.Keys());
  FUZZ_CHECK(again.Values() == saved.Values());
  // Saving what was read back writes the same bytes.
  again.Save();
  FUZZ_CHECK(lobbyfind::fuzz::ReadFile(again.FileName()) == written);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = (lobbyfind::fuzz::ScratchDir() / "lobbyfind.ini").string();
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  lobbyfind::fuzz::WriteFile(path, bytes);
  cConfigFile config(path);
  FUZZ_CHECK(config.Loaded());
  FUZZ_CHECK(config.Keys().size() == config.Values().size());
  // Never more entries than lines could make.
  FUZZ_CHECK(config.Keys().size() <= size);
  CheckRoundTrip(config);

  // Entries the program writes: keys and values cut from the same bytes.
  FuzzedDataProvider input(data, size);
  cConfigFile written(path);
  while (input.remaining_bytes() > 0) {
    const std::string key = input.ConsumeRandomLengthString(32);
    const std::string value = input.ConsumeRandomLengthString(64);
    written.WriteString(key, value);
    std::string read_back;
    FUZZ_CHECK(written.ReadString(key, read_back) && read_back == value);
  }
  CheckRoundTrip(written);
  return 0;
}
