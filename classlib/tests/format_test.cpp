#include "classlib/format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "classlib/exceptions.h"
#include "classlib/format_settings.h"

namespace classlib {
namespace {

class FormatTest : public ::testing::Test {
 protected:
  void TearDown() override { ResetFormatSettings(); }
};

TEST_F(FormatTest, IntegersWithWidthPrecisionAndSign) {
  EXPECT_EQ(Format("%d|%5d|%-5d|", {42, 42, 42}), "42|   42|42   |");
  EXPECT_EQ(Format("%.5d|%8.5d|%-8.5d|", {-42, -42, -42}), "-00042|  -00042|-00042  |");
  EXPECT_EQ(Format("%2d:%2d", {9, 3}), " 9: 3");
  EXPECT_EQ(Format("%d", {std::numeric_limits<int64_t>::min()}), "-9223372036854775808");
  EXPECT_EQ(Format("%d", {std::numeric_limits<uint64_t>::max()}), "18446744073709551615");
  EXPECT_EQ(Format("%.3d", {0}), "000");
  EXPECT_EQ(Format("%d %d", {true, false}), "1 0");
  EXPECT_EQ(Format("%d", {int8_t{-5}}), "-5");
  EXPECT_EQ(Format("%D", {7}), "7");
}

TEST_F(FormatTest, UnsignedAndHexUseTheArgumentsWidth) {
  EXPECT_EQ(Format("%u", {-1}), "4294967295");
  EXPECT_EQ(Format("%u", {int64_t{-1}}), "18446744073709551615");
  EXPECT_EQ(Format("%-8.8x", {255}), "000000FF");
  EXPECT_EQ(Format("[%-10.8x]", {255}), "[000000FF  ]");
  EXPECT_EQ(Format("%x", {-1}), "FFFFFFFF");
  EXPECT_EQ(Format("%x", {int16_t{-1}}), "FFFFFFFF");
  EXPECT_EQ(Format("%x", {int64_t{-2}}), "FFFFFFFFFFFFFFFE");
  EXPECT_EQ(Format("$%.8x", {0xABCu}), "$00000ABC");
  EXPECT_EQ(Format("%X", {0xbeefu}), "BEEF");
}

TEST_F(FormatTest, IndexesAndStars) {
  EXPECT_EQ(Format("%0:s %1:s %0:s", {"a", "b"}), "a b a");
  // A plain specifier after an indexed one takes the argument after it.
  EXPECT_EQ(Format("%1:s %s %0:s%s", {"a", "b", "c"}), "b c ab");
  EXPECT_EQ(Format("UPDATE %s SET %s=?NEW_%1:s WHERE %2:s=?OLD_%2:s", {"T", "B", "K"}),
            "UPDATE T SET B=?NEW_B WHERE K=?OLD_K");
  EXPECT_EQ(Format("[%*d]", {5, 42}), "[   42]");
  EXPECT_EQ(Format("[%-*d]", {5, 42}), "[42   ]");
  EXPECT_EQ(Format("[%*d]", {-5, 42}), "[42   ]");
  EXPECT_EQ(Format("[%*.*f]", {8, 3, 1.5}), "[   1.500]");
  EXPECT_EQ(Format("[%.*s]", {2, "abcdef"}), "[ab]");
  EXPECT_EQ(Format("%*:s", {2, "x", "y"}), "y");
  EXPECT_EQ(Format("100%% of %d%%", {5}), "100% of 5%");
}

TEST_F(FormatTest, TextIsCopiedAsItStands) {
  std::string s = "std";
  std::string_view v = "view";
  const char* none = nullptr;
  EXPECT_EQ(Format("%s-%s-%s-%s-[%s]", {s, v, "lit", 'c', none}), "std-view-lit-c-[]");
  EXPECT_EQ(Format("[%6s][%-6s][%.2s][%4.2s]", {"abc", "abc", "abc", "abc"}),
            "[   abc][abc   ][ab][  ab]");
  EXPECT_EQ(Format("%s", {"%d %s %%"}), "%d %s %%");
  EXPECT_EQ(Format("no specifiers", {}), "no specifiers");
  std::string with_nul("a\0b", 3);
  EXPECT_EQ(Format("%s!", {with_nul}), std::string("a\0b!", 4));
}

TEST_F(FormatTest, FixedNumberAndMoney) {
  EXPECT_EQ(Format("%f|%.0f|%.f|%.3f", {2.5, 2.5, -2.5, 1.0 / 3}), "2.50|3|-3|0.333");
  // Halves round away from zero; 2.675 is stored just below the half.
  EXPECT_EQ(Format("%.2f %.2f %.2f", {0.125, -0.125, 2.675}), "0.13 -0.13 2.67");
  EXPECT_EQ(Format("%.2f", {-0.001}), "0.00");
  EXPECT_EQ(Format("%n", {1234567.891}), "1,234,567.89");
  EXPECT_EQ(Format("%.0n", {-999.5}), "-1,000");
  EXPECT_EQ(Format("%10.1f|", {-3.14159}), "      -3.1|");
  EXPECT_EQ(Format("%f", {1e20}), "1E20");

  TFormatSettings fs;
  fs.DecimalSeparator = ',';
  fs.ThousandSeparator = ' ';
  fs.CurrencyString = "$";
  fs.CurrencyDecimals = 3;
  EXPECT_EQ(Format("%.2f", {3.14159}, fs), "3,14");
  EXPECT_EQ(Format("%n", {1234567.5}, fs), "1 234 567,50");
  EXPECT_EQ(Format("%m|%.1m", {-1234.5, 2.25}, fs), "-$1 234,500|$2,3");

  FormatSettings().DecimalSeparator = ',';
  EXPECT_EQ(Format("%.1f", {0.25}), "0,3");
}

TEST_F(FormatTest, ExponentAndGeneral) {
  EXPECT_EQ(Format("%e", {123.45}), "1.23450000000000E+002");
  EXPECT_EQ(Format("%.3e", {-0.000123456}), "-1.23E-004");
  EXPECT_EQ(Format("%e", {0.0}), "0.00000000000000E+000");
  EXPECT_EQ(Format("%.2e", {9.99e99}), "1.0E+100");
  EXPECT_EQ(Format("%.1e", {5.0}), "5E+000");
  EXPECT_EQ(Format("%g|%g|%g", {0.1 + 0.2, 1e20, 1.5e-7}), "0.3|1E20|1.5E-7");
  EXPECT_EQ(Format("%.3g|%.3g", {1234.5, 123.0}), "1.23E3|123");
  EXPECT_EQ(Format("%g", {-0.0}), "0");
  double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(Format("%f %e %g %n", {inf, -inf, std::numeric_limits<double>::quiet_NaN(), inf}),
            "INF -INF NAN INF");
}

TEST_F(FormatTest, CurrencyArgumentsAreExact) {
  EXPECT_EQ(Format("%.4f", {kMaxCurrency}), "922337203685477.5807");
  EXPECT_EQ(Format("%.4n", {kMinCurrency}), "-922,337,203,685,477.5808");
  EXPECT_EQ(Format("%f", {Currency::FromScaled(12345)}), "1.23");
  EXPECT_EQ(Format("%f", {Currency::FromScaled(-12350)}), "-1.24");
  EXPECT_EQ(Format("%g", {Currency::FromScaled(15000)}), "1.5");
}

TEST_F(FormatTest, PointersAreHex) {
  int x = 0;
  std::string text = Format("%p", {&x});
  EXPECT_EQ(text.size(), sizeof(void*) * 2);
  EXPECT_EQ(std::stoull(text, nullptr, 16), reinterpret_cast<uintptr_t>(&x));
  EXPECT_EQ(Format("%p", {nullptr}), std::string(sizeof(void*) * 2, '0'));
}

void ExpectConvertError(std::string_view fmt, std::initializer_list<FormatArg> args,
                        const std::string& message) {
  try {
    Format(fmt, args);
    ADD_FAILURE() << "no exception for " << fmt;
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), message);
  }
}

TEST_F(FormatTest, MismatchesAndMissingArgumentsRaise) {
  const std::string invalid = "' invalid or incompatible with argument";
  ExpectConvertError("%d", {"x"}, "Format '%d" + invalid);
  ExpectConvertError("%s", {5}, "Format '%s" + invalid);
  ExpectConvertError("%f", {5}, "Format '%f" + invalid);
  ExpectConvertError("%d", {1.5}, "Format '%d" + invalid);
  ExpectConvertError("%x", {'c'}, "Format '%x" + invalid);
  ExpectConvertError("%p", {5}, "Format '%p" + invalid);
  ExpectConvertError("%*d", {"5", 1}, "Format '%*d" + invalid);
  ExpectConvertError("50%", {}, "Format '50%" + invalid);
  ExpectConvertError("%5-d", {1}, "Format '%5-d" + invalid);
  ExpectConvertError("%y", {1}, "Format '%y" + invalid);
  ExpectConvertError("%99999999d", {1}, "Format '%99999999d" + invalid);
  ExpectConvertError("%d %d", {1}, "No argument for format '%d %d'");
  ExpectConvertError("%2:d", {1, 2}, "No argument for format '%2:d'");
  ExpectConvertError("%*d", {5}, "No argument for format '%*d'");
}

TEST_F(FormatTest, RuntimeArgumentLists) {
  std::vector<FormatArg> args{"Field", 3};
  args.emplace_back('!');  // a char argument must survive the vector's moves
  args.push_back(std::string_view("end"));
  EXPECT_EQ(Format("%s #%d%s %s", std::span<const FormatArg>(args)), "Field #3! end");
}

}  // namespace
}  // namespace classlib
