// A product installation around a test: its own registry folder and release
// folder, a clean run state, and product databases made once per database
// content (isql-fb is slow) in a folder that lives as long as the program.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/run_state.h"
#include "app/update_description.h"
#include "testing/product_fixture.h"
#include "window_test_support.h"

namespace app::testing {

class ProductEnvironment {
 public:
  // `folder`: a folder of the scratch folder (UTF-8) that holds everything,
  // as an installation under a folder of any name would.
  explicit ProductEnvironment(const std::string& folder = "")
      : root_(folder.empty() ? folder_.Path() : folder_.File(folder)),
        registry_("UPDATER_REGISTRY", File("registry")),
        release_("UPDATER_RELEASE_DIR", File("release")) {
    std::filesystem::create_directories(File("registry"));
    std::filesystem::create_directories(File("release"));
    ResetRunState();
    ::app::UpdateDescription.reset();
  }
  ~ProductEnvironment() {
    ResetRunState();
    ::app::UpdateDescription.reset();
  }

  std::string ReleaseDir() const { return File("release"); }
  std::string File(const std::string& name) const { return root_ + "/" + name; }
  void WriteDescription(const std::string& body_utf8) const {
    WriteUpdateDescription(ReleaseDir(), body_utf8);
  }

  // A Firebird product database with these releases in BO_VERSION and the
  // standard users; made once per list of releases.
  static std::string FirebirdDatabase(const std::vector<std::string>& releases) {
    static ScratchFolder shared;
    static std::map<std::vector<std::string>, std::string> made;
    auto found = made.find(releases);
    if (found != made.end()) return found->second;
    const std::string path = shared.File("product" + std::to_string(made.size()) + ".fdb");
    CreateFirebirdProductDatabase(path, ProductDatabase::Standard(releases));
    return made[releases] = path;
  }

 private:
  ScratchFolder folder_;
  std::string root_;
  ScopedEnv registry_;
  ScopedEnv release_;
};

}  // namespace app::testing
