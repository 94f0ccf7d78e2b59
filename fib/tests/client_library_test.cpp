// Loading client libraries: the version rules, the failures, the shared
// cache and the calls that are never bound. The partial clients are small
// libraries built beside the tests; they are loaded like the real one.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstddef>
#include <functional>
#include <thread>
#include <vector>

#include "classlib/exceptions.h"
#include "fib/base/client_library.h"
#include "fib/base/ib_client_library.h"

namespace fib {
namespace {

std::string Message(const std::function<void()>& action) {
  try {
    action();
  } catch (const classlib::Exception& e) {
    return e.Message();
  }
  return "(nothing raised)";
}

TEST(ClientLibrary, AClientWithoutRetainingRollbackIsVersionFive) {
  ClientLibraryRef lib = FindOrLoadClientLibrary(FIB_PARTIAL_CLIENT_VERSION5);
  EXPECT_EQ(lib->GetLibraryName(), FIB_PARTIAL_CLIENT_VERSION5);
  EXPECT_EQ(lib->GetMajorVersion(), 5);
  EXPECT_EQ(lib->GetMinorVersion(), 0);

  isc_tr_handle tr = 0;
  EXPECT_EQ(Message([&] { lib->isc_rollback_retaining(nullptr, &tr); }),
            std::string("Can't find procedure isc_rollback_retaining in ") +
                FIB_PARTIAL_CLIENT_VERSION5);
  // The version-6 set stays unbound.
  EXPECT_EQ(Message([&] { lib->isc_portable_integer(nullptr, 0); }),
            std::string("Can't find procedure isc_portable_integer in ") +
                FIB_PARTIAL_CLIENT_VERSION5);
  EXPECT_EQ(Message([&] { lib->isc_get_client_major_version(); }),
            std::string("Can't find procedure isc_get_client_major_version in ") +
                FIB_PARTIAL_CLIENT_VERSION5);
}

TEST(ClientLibrary, AClientsOwnVersionWinsOverTheGuess) {
  ClientLibraryRef lib = FindOrLoadClientLibrary(FIB_PARTIAL_CLIENT_VERSION6);
  EXPECT_EQ(lib->GetMajorVersion(), 7);
  EXPECT_EQ(lib->GetMinorVersion(), 3);
  char text[64] = {};
  lib->isc_get_client_version(text);
  EXPECT_STREQ(text, "partial client 7.3");
}

TEST(ClientLibrary, FunctionsNeverLookedUpAlwaysRaise) {
  ClientLibraryRef lib = FindOrLoadClientLibrary(FIB_PARTIAL_CLIENT_VERSION6);
  const std::string in = std::string(" in ") + FIB_PARTIAL_CLIENT_VERSION6;
  isc_tr_handle tr = 0;
  EXPECT_EQ(Message([&] { lib->isc_prepare_transaction(nullptr, &tr); }),
            "Can't find procedure isc_prepare_transaction" + in);
  EXPECT_EQ(Message([&] { lib->isc_cancel_blob(nullptr, nullptr); }),
            "Can't find procedure isc_cancel_blob" + in);
  EXPECT_EQ(Message([&] { lib->isc_add_user(nullptr, nullptr); }),
            "Can't find procedure isc_add_user" + in);
  EXPECT_EQ(Message([&] { lib->isc_array_set_desc(nullptr, "", "", nullptr, nullptr, nullptr,
                                                  nullptr); }),
            "Can't find procedure isc_array_set_desc" + in);
}

TEST(ClientLibrary, ALibraryThatWillNotLoadIsReportedAndNotCached) {
  const std::string missing = "/nonexistent/folder/libnothing.so";
  EXPECT_EQ(Message([&] { FindOrLoadClientLibrary(missing); }),
            "Can't load library " + missing + " ");
  EXPECT_THROW(FindOrLoadClientLibrary(missing), classlib::Exception);
}

TEST(ClientLibrary, AMissingRequiredEntryPointFailsTheLoadWithASystemError) {
  try {
    FindOrLoadClientLibrary(FIB_PARTIAL_CLIENT_MISSING);
    FAIL() << "loaded a library without isc_transaction_info";
  } catch (const classlib::EOSError& e) {
    EXPECT_EQ(e.ErrorCode(), 127u);
    EXPECT_NE(e.Message().find("isc_transaction_info"), std::string::npos) << e.Message();
  }
  // Nothing was cached: the next request tries again and fails again.
  EXPECT_THROW(FindOrLoadClientLibrary(FIB_PARTIAL_CLIENT_MISSING), classlib::EOSError);
}

TEST(ClientLibrary, OneNameSharesOneLibraryAndOtherSpellingsLoadAnother) {
  ClientLibraryRef first = FindOrLoadClientLibrary(FIB_PARTIAL_CLIENT_VERSION6);
  ClientLibraryRef second = FindOrLoadClientLibrary(FIB_PARTIAL_CLIENT_VERSION6);
  EXPECT_EQ(first.Get(), second.Get());

  // The same file reached through another path is a second library object.
  std::string other_path = FIB_PARTIAL_CLIENT_VERSION6;
  other_path.insert(other_path.rfind('/'), "/.");
  ClientLibraryRef third = FindOrLoadClientLibrary(other_path);
  EXPECT_NE(first.Get(), third.Get());
  EXPECT_EQ(third->GetLibraryName(), other_path);
}

TEST(ClientLibrary, ThreadsAskingForANewNameAtOnceShareOneLibrary) {
  // A path not yet asked for by any other test.
  std::string name = FIB_PARTIAL_CLIENT_VERSION5;
  name.insert(name.rfind('/'), "/./.");
  std::vector<IIBClientLibrary*> seen(8, nullptr);
  std::vector<std::thread> threads;
  for (size_t i = 0; i < seen.size(); ++i)
    threads.emplace_back([&, i] { seen[i] = FindOrLoadClientLibrary(name).Get(); });
  for (std::thread& t : threads) t.join();
  for (IIBClientLibrary* lib : seen) EXPECT_EQ(lib, seen[0]);
}

TEST(ClientLibrary, AnUnloadedLibraryRaisesInsteadOfCallingFreedCode) {
  TIBClientLibrary lib(FIB_PARTIAL_CLIENT_VERSION6);
  EXPECT_TRUE(lib.IsLoaded());
  lib.UnloadClientLibrary();
  EXPECT_FALSE(lib.IsLoaded());
  EXPECT_EQ(Message([&] { lib.isc_get_client_major_version(); }),
            std::string("Can't find procedure isc_get_client_major_version in ") +
                FIB_PARTIAL_CLIENT_VERSION6);
  lib.UnloadClientLibrary();  // a second unload does nothing
  EXPECT_FALSE(lib.IsLoaded());
}

#if defined(__x86_64__) || defined(__i386__)
unsigned short ControlWord() {
  unsigned short cw;
  __asm__ volatile("fnstcw %0" : "=m"(cw));
  return cw;
}

TEST(ClientLibrary, LoadingRestoresExtendedPrecisionTheClientLowered) {
  std::string name = FIB_PARTIAL_CLIENT_VERSION5;
  name.insert(name.rfind('/'), "/././.");
  ClientLibraryRef lib = FindOrLoadClientLibrary(name);
  // The client's start-up code really did lower it...
  void* module = dlopen(FIB_PARTIAL_CLIENT_VERSION5, RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(module, nullptr);
  auto lowered = reinterpret_cast<unsigned short (*)()>(dlsym(module, "partial_client_lowered_cw"));
  ASSERT_NE(lowered, nullptr);
  EXPECT_EQ(lowered() & 0x300, 0);
  dlclose(module);
  // ...and loading put the precision back.
  EXPECT_EQ(ControlWord() & 0x300, 0x300);
}
#endif

TEST(ClientLibrary, EventBlocksPassTheNamedEventsAndRefuseMoreThanFifteen) {
  ClientLibraryRef lib = FindOrLoadClientLibrary(DefaultLibraryName());
  EventNames names{};
  names[0] = "FIRST";
  names[1] = "SECOND";
  ISC_UCHAR* events = nullptr;
  ISC_UCHAR* results = nullptr;
  // Version byte, then per name: its length, its text and a 4-byte count.
  ISC_LONG length = lib->isc_event_block(&events, &results, 2, names);
  EXPECT_EQ(length, 1 + (1 + 5 + 4) + (1 + 6 + 4));
  ASSERT_NE(events, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(events) + 2, 5), "FIRST");
  lib->isc_free(reinterpret_cast<ISC_SCHAR*>(events));
  lib->isc_free(reinterpret_cast<ISC_SCHAR*>(results));

  EXPECT_THROW(lib->isc_event_block(&events, &results, kMaxEventNames + 1, names),
               classlib::Exception);
}

TEST(ClientLibrary, DescriptorAreasHoldTheirVariables) {
  for (int n : {1, 10}) {
    size_t needed = offsetof(XSQLDA, sqlvar) + static_cast<size_t>(n) * sizeof(XSQLVAR);
    EXPECT_EQ(XSQLDALength(n), needed) << n;
  }
}

TEST(ClientLibrary, WindowsClientNamesLoadTheSystemsClientUnderTheirOwnName) {
  EXPECT_EQ(DefaultLibraryName(), "libfbclient.so.2");
  ClientLibraryRef by_default = FindOrLoadClientLibrary(DefaultLibraryName());
  ClientLibraryRef by_windows_name = FindOrLoadClientLibrary("gds32.dll");
  EXPECT_NE(by_default.Get(), by_windows_name.Get());
  EXPECT_EQ(by_windows_name->GetLibraryName(), "gds32.dll");
  EXPECT_EQ(by_windows_name->GetMajorVersion(), by_default->GetMajorVersion());
  EXPECT_TRUE(by_windows_name->HasBoundedInterpret());
}

}  // namespace
}  // namespace fib
