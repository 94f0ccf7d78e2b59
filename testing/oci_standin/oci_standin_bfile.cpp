// The stand-in's BFILE entries: file locators that name a directory alias
// and a file, read from the folder a test mapped the alias to (opened,
// asked whether open and whether the file exists, closed).
#include <filesystem>
#include <string>

#include "testing/oci_standin/oci_standin_state.h"
#include "testing/oci_standin/oci_standin_values_control.h"

namespace standin {

std::string FolderOf(State& state, const std::string& alias) {
  auto found = state.values.directories.find(Upper(alias));
  return found == state.values.directories.end() ? "" : found->second;
}

std::string FilePath(State& state, const Handle* file) {
  std::string folder = FolderOf(state, file->value.directory);
  return folder.empty() ? "" : folder + "/" + file->value.file_name;
}

}  // namespace standin

using namespace standin;

namespace {

using Guard = std::lock_guard<std::mutex>;

std::string Arg(const char* name, uint64_t value) { return std::string(" ") + name + "=" + std::to_string(value); }

}  // namespace

extern "C" {

sword OCILobFileSetName(OCIEnv* env, OCIError* error, OCILobLocator** file, const OraText* directory,
                        ub2 directory_length, const OraText* name, ub2 name_length) {
  State& state = TheState();
  Guard guard(state.lock);
  std::string dir(reinterpret_cast<const char*>(directory), directory ? directory_length : 0);
  std::string base(reinterpret_cast<const char*>(name), name ? name_length : 0);
  // A zero byte is logged as "\0" so the log stays one text.
  auto shown = [](std::string text) {
    for (size_t at = text.find('\0'); at != std::string::npos; at = text.find('\0', at))
      text.replace(at, 1, "\\0");
    return text;
  };
  Log(state, "OCILobFileSetName dir=" + shown(dir) + " name=" + shown(base));
  if (sword status = InjectedStatus(state, "OCILobFileSetName", error)) return status;
  Handle* live_env = Live(state, env, OCI_HTYPE_ENV);
  if (!live_env || !file) return OCI_INVALID_HANDLE;
  Handle* locator = *file ? Live(state, *file, OCI_DTYPE_FILE) : NewHandle(state, OCI_DTYPE_FILE, live_env);
  if (!locator) return OCI_INVALID_HANDLE;
  // An empty part comes as one zero byte.
  auto clean = [](std::string text) { return text.find('\0') == std::string::npos ? text : text.substr(0, text.find('\0')); };
  locator->value = DescriptorValue{};
  locator->value.directory = clean(dir);
  locator->value.file_name = clean(base);
  *file = reinterpret_cast<OCILobLocator*>(locator);
  return OCI_SUCCESS;
}

sword OCILobFileGetName(OCIEnv* env, OCIError* error, const OCILobLocator* file, OraText* directory,
                        ub2* directory_length, OraText* name, ub2* name_length) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCILobFileGetName" + Arg("dir_size", directory && directory_length ? *directory_length : 0) +
                 Arg("name_size", name && name_length ? *name_length : 0));
  Handle* locator = Live(state, file, OCI_DTYPE_FILE);
  if (!Live(state, env, OCI_HTYPE_ENV) || !locator) return OCI_INVALID_HANDLE;
  auto put = [&](const std::string& text, OraText* buffer, ub2* length) -> bool {
    if (!buffer || !length) return true;
    if (text.size() > *length) return false;
    std::memcpy(buffer, text.data(), text.size());
    *length = static_cast<ub2>(text.size());
    return true;
  };
  if (!put(locator->value.directory, directory, directory_length) ||
      !put(locator->value.file_name, name, name_length))
    return Fail(state, error, 1406, "ORA-01406: fetched column value was truncated");
  return OCI_SUCCESS;
}

sword OCILobFileExists(OCISvcCtx* context, OCIError* error, OCILobLocator* file, boolean* exists) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCILobFileExists");
  if (sword status = InjectedStatus(state, "OCILobFileExists", error)) return status;
  Handle* locator = Live(state, file, OCI_DTYPE_FILE);
  if (!Live(state, context, OCI_HTYPE_SVCCTX) || !locator || !exists) return OCI_INVALID_HANDLE;
  if (FolderOf(state, locator->value.directory).empty())
    return Fail(state, error, 22285, "ORA-22285: non-existent directory or file for FILEEXISTS operation");
  *exists = std::filesystem::is_regular_file(FilePath(state, locator)) ? 1 : 0;
  return OCI_SUCCESS;
}

sword OCILobFileOpen(OCISvcCtx* context, OCIError* error, OCILobLocator* file, ub1 mode) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCILobFileOpen" + Arg("mode", mode));
  if (sword status = InjectedStatus(state, "OCILobFileOpen", error)) return status;
  Handle* locator = Live(state, file, OCI_DTYPE_FILE);
  if (!Live(state, context, OCI_HTYPE_SVCCTX) || !locator) return OCI_INVALID_HANDLE;
  if (mode != OCI_FILE_READONLY) return Fail(state, error, 24801, "ORA-24801: illegal parameter value in OCI lob function");
  if (FolderOf(state, locator->value.directory).empty())
    return Fail(state, error, 22285, "ORA-22285: non-existent directory or file for FILEOPEN operation");
  if (!std::filesystem::is_regular_file(FilePath(state, locator)))
    return Fail(state, error, 22288, "ORA-22288: file or LOB operation FILEOPEN failed");
  locator->value.file_open = true;
  return OCI_SUCCESS;
}

sword OCILobFileClose(OCISvcCtx* context, OCIError* error, OCILobLocator* file) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCILobFileClose");
  if (sword status = InjectedStatus(state, "OCILobFileClose", error)) return status;
  Handle* locator = Live(state, file, OCI_DTYPE_FILE);
  if (!Live(state, context, OCI_HTYPE_SVCCTX) || !locator) return OCI_INVALID_HANDLE;
  locator->value.file_open = false;
  locator->value.streaming = false;
  return OCI_SUCCESS;
}

sword OCILobFileIsOpen(OCISvcCtx* context, OCIError* error, OCILobLocator* file, boolean* is_open) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCILobFileIsOpen");
  if (sword status = InjectedStatus(state, "OCILobFileIsOpen", error)) return status;
  Handle* locator = Live(state, file, OCI_DTYPE_FILE);
  if (!Live(state, context, OCI_HTYPE_SVCCTX) || !locator || !is_open) return OCI_INVALID_HANDLE;
  *is_open = locator->value.file_open ? 1 : 0;
  return OCI_SUCCESS;
}

void standin_map_directory(const char* alias, const char* folder) {
  State& state = TheState();
  Guard guard(state.lock);
  state.values.directories[Upper(alias ? alias : "")] = folder ? folder : "";
}

}
