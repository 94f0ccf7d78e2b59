// Script files come with the release: any file must run group by group on
// the connection or be refused with EScriptFileError. The first byte picks
// the server kind and the LOGCHECKERROR switch; the rest is the file. The
// groups' binary-column declarations are read as a run reads them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/blob_moves.h"
#include "app/fuzz/fake_script_connection.h"
#include "app/script_file.h"
#include "app/tests/fake_progress_view.h"
#include "testing/fuzz_input.h"

namespace {

// Reads the declarations; the moves themselves need a server.
class CollectedBlobMoves : public app::IBlobMoves {
 public:
  void Clear() override { moves_.clear(); }
  void Collect(const app::TScriptElement& group) override { app::CollectBlobMoves(group, moves_); }
  bool Perform(const std::string&) override { return true; }

 private:
  std::vector<app::TBlobMove> moves_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string path =
      testing_fuzz::WriteScratchFile("script.xml", testing_fuzz::TextOf(data + 1, size - 1));
  app::fuzz::FakeScriptConnection connection(app::fuzz::ServerOf(data[0]));
  app::testing::FakeProgressView view;
  CollectedBlobMoves blob_moves;
  const app::TScriptFileRun run{connection, view, (data[0] & 4) != 0, 10, &blob_moves};
  try {
    testing_fuzz::AcceptRaisedErrors([&] { app::RunScriptFile(run, path); });
  } catch (const app::EScriptFileError&) {
  }
  return 0;
}
