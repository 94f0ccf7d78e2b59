#include <gtest/gtest.h>

#include "platform/dynlib.h"

namespace platform {
namespace {

TEST(DynamicLibraries, WindowsNamesMapToLinuxFiles) {
  EXPECT_EQ(MapLibraryName("gds32.dll"), "libfbclient.so.2");
  EXPECT_EQ(MapLibraryName("FBCLIENT.DLL"), "libfbclient.so.2");
  EXPECT_EQ(MapLibraryName("C:\\Firebird\\bin\\GDS32.dll"), "C:/Firebird/bin/libfbclient.so.2");
  EXPECT_EQ(MapLibraryName("/opt/fb/fbclient.dll"), "/opt/fb/libfbclient.so.2");
  EXPECT_EQ(MapLibraryName("C:\\Oracle\\bin\\oci.dll"), "C:/Oracle/bin/oci.dll");
  EXPECT_EQ(MapLibraryName("libz.so.1"), "libz.so.1");
  EXPECT_EQ(MapLibraryName("my_gds32.dll"), "my_gds32.dll");
}

TEST(DynamicLibraries, LoadFindCallAndUnload) {
  HMODULE libm = LoadLibraryA("libm.so.6");
  ASSERT_NE(libm, nullptr) << LastLibraryError();
  auto cosine = reinterpret_cast<double (*)(double)>(GetProcAddress(libm, "cos"));
  ASSERT_NE(cosine, nullptr);
  EXPECT_DOUBLE_EQ(cosine(0.0), 1.0);
  EXPECT_EQ(GetProcAddress(libm, "no_such_function_here"), nullptr);
  EXPECT_NE(LastLibraryError().find("no_such_function_here"), std::string::npos);
  EXPECT_TRUE(FreeLibrary(libm));

  HMODULE libz = LoadLibraryExA("libz.so.1", nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  ASSERT_NE(libz, nullptr) << LastLibraryError();
  auto version = reinterpret_cast<const char* (*)()>(GetProcAddress(libz, "zlibVersion"));
  ASSERT_NE(version, nullptr);
  EXPECT_EQ(std::string(version()).substr(0, 2), "1.");
  EXPECT_TRUE(FreeLibrary(libz));
}

TEST(DynamicLibraries, ALibraryLoadedByNameKnowsTheFileTheLoaderFound) {
  HMODULE libz = LoadLibraryA("libz.so.1");
  ASSERT_NE(libz, nullptr) << LastLibraryError();
  const std::string file = GetModuleFileName(libz);
  EXPECT_EQ(file.front(), '/') << file;
  EXPECT_NE(file.find("libz.so.1"), std::string::npos) << file;
  EXPECT_TRUE(FreeLibrary(libz));
  EXPECT_EQ(GetModuleFileName(nullptr), "");
}

TEST(DynamicLibraries, FailedLoadKeepsTheLoadersText) {
  EXPECT_EQ(LoadLibraryA("/nonexistent/folder/libmissing.so"), nullptr);
  EXPECT_NE(LastLibraryError().find("/nonexistent/folder/libmissing.so"), std::string::npos)
      << LastLibraryError();
  EXPECT_EQ(LoadLibraryA(""), nullptr);
  EXPECT_FALSE(LastLibraryError().empty());
  EXPECT_EQ(GetProcAddress(nullptr, "cos"), nullptr);
  EXPECT_FALSE(FreeLibrary(nullptr));
}

}  // namespace
}  // namespace platform
