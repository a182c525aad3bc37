// The report font file "RptFont.Dat".
#include "reports/viewer/report_font.h"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/support/temp_dir.h"

namespace {

void WriteRaw(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string Bytes(const ReportFontRec& rec) {
    return std::string(reinterpret_cast<const char*>(rec.bytes().data()), rec.bytes().size());
}

}  // namespace

TEST(ReportFontFile, RoundTripsInItsFortyEightByteLayout) {
    testsupport::TempDir dir;
    const DataFolder folder(dir.path());
    EXPECT_EQ(LoadReportFont(folder), DefaultReportFont());
    EXPECT_EQ(DefaultReportFont(), (FontSpec{"Arial", 10, 0, FontStyle::Bold}));

    const FontSpec font{"Courier New", 12, 0x00336699, FontStyle::Italic | FontStyle::Underline};
    ASSERT_TRUE(SaveReportFont(folder, font));
    const auto content = ReadWholeFile(dir.path() / "RptFont.Dat");
    ASSERT_TRUE(content);
    std::string expected(48, '\0');
    expected[0] = 11;
    expected.replace(1, 11, "Courier New");
    expected[36] = 12;
    expected[40] = 0x11 * 9, expected[41] = 0x66, expected[42] = 0x33;
    expected[44] = FontStyle::Italic | FontStyle::Underline;
    EXPECT_EQ(*content, expected);
    EXPECT_EQ(LoadReportFont(folder), font);

    // A system colour survives, and a file named in another case is found.
    const FontSpec system{"Times New Roman", 9, static_cast<int32_t>(0x80000008), 0};
    std::filesystem::remove(dir.path() / "RptFont.Dat");
    WriteRaw(dir.path() / "RPTFONT.DAT", Bytes(EncodeReportFont(system)));
    EXPECT_EQ(LoadReportFont(folder), system);
}

TEST(ReportFontFile, LongNamesAreCutToThirtyTwoCharacters) {
    const FontSpec font{QString(40, 'N'), 10, 0, 0};
    const auto decoded = DecodeReportFont(Bytes(EncodeReportFont(font)));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->name, QString(32, 'N'));
}

TEST(ReportFontFile, ShortOrDamagedFilesGiveTheDefaultFont) {
    testsupport::TempDir dir;
    const DataFolder folder(dir.path());
    const auto path = dir.path() / "RptFont.Dat";
    const std::string good = Bytes(EncodeReportFont({"Arial", 14, 0, 0}));
    std::string badLength = good, badSize = good, zeroSize = good, blankName = good, control = good;
    badLength[0] = static_cast<char>(200);  // clamped to 32: takes in the zero padding
    badSize[36] = '\xFF', badSize[37] = '\xFF', badSize[38] = '\xFF', badSize[39] = '\x7F';
    zeroSize[36] = 0;
    blankName.replace(0, 6, std::string("\x03   ", 4) + "\0\0");
    control[2] = '\x01';
    for (const std::string& bad :
         {std::string(), good.substr(0, 47), std::string(48, '\0'), std::string(48, '\xFF'),
          badLength, badSize, zeroSize, blankName, control}) {
        WriteRaw(path, bad);
        EXPECT_EQ(LoadReportFont(folder), DefaultReportFont()) << bad.size();
    }
    // More than one record: the first is the font.
    WriteRaw(path, good + std::string(48, '\xFF'));
    EXPECT_EQ(LoadReportFont(folder).size, 14);
    // Not even a file.
    std::filesystem::remove(path);
    std::filesystem::create_directory(path);
    EXPECT_EQ(LoadReportFont(folder), DefaultReportFont());
    EXPECT_FALSE(SaveReportFont(folder, {"Arial", 14, 0, 0}));
}
