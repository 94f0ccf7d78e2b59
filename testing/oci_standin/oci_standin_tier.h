// A test's hold on the stand-in client library's SQLite tier: the library
// file the Oracle layer loads (the loader hands back the same instance),
// an account, a service name mapped to a SQLite file and a setup script.
//
//   StandinTier tier(ORACLE_STANDIN_PATH);
//   tier.Open("db1", dir + "/db1.sqlite", "scott", "tiger",
//             "CREATE TABLE T (ID NUMBER(9) PRIMARY KEY, B BLOB)");
//   ... a TOraSession of scott/tiger@db1 now runs on the file ...
#pragma once

#include <dlfcn.h>

#include <stdexcept>
#include <string>

namespace standin_testing {

class StandinTier {
 public:
  explicit StandinTier(const std::string& library) : library_(dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL)) {
    if (!library_) throw std::runtime_error("cannot load the stand-in " + library);
  }
  ~StandinTier() { dlclose(library_); }
  StandinTier(const StandinTier&) = delete;
  StandinTier& operator=(const StandinTier&) = delete;

  // The account, the file for the service and the setup script run on it;
  // a failing script raises with its Oracle error text.
  void Open(const std::string& service, const std::string& file, const std::string& user,
            const std::string& password, const std::string& setup_sql = "") {
    Call<void (*)(const char*, const char*)>("standin_add_account")(user.c_str(), password.c_str());
    Attach(service, file);
    if (!setup_sql.empty()) {
      const std::string error = Exec(service, setup_sql);
      if (!error.empty()) throw std::runtime_error(error);
    }
  }
  // Sessions of the service run on the file from now on ("" ends it).
  void Attach(const std::string& service, const std::string& file) {
    Call<void (*)(const char*, const char*)>("standin_sqlite_attach")(service.c_str(), file.c_str());
  }
  // Runs statements separated by ";" on the service's file; the first
  // error's text, empty when all ran.
  std::string Exec(const std::string& service, const std::string& sql) {
    char error[1024] = {};
    Call<int (*)(const char*, const char*, char*, int)>("standin_sqlite_exec")(service.c_str(), sql.c_str(), error,
                                                                                sizeof error);
    return error;
  }

 private:
  template <class F>
  F Call(const char* name) {
    void* symbol = dlsym(library_, name);
    if (!symbol) throw std::runtime_error(std::string("the stand-in lacks ") + name);
    return reinterpret_cast<F>(symbol);
  }
  void* library_;
};

}  // namespace standin_testing
