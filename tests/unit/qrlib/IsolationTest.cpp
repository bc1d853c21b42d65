#include "qrlib/Isolation.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include "qrlib/IsolateIniSearch.h"
#include "qrlib/SiloName.h"

namespace {

using qrLib::CIsolation;

constexpr char16_t kSilo[] = u"{0a1b2c3d-4E5F-6071-8293-a4b5c6d7e8f9}";
constexpr char16_t kOtherSilo[] = u"{11111111-2222-3333-4444-555555555555}";
const std::u16string kDefaultRoot = std::u16string(u"Software\\Zanthrex\\Isolation\\") + kSilo;

TEST(SiloName, OnlyTheBracedGuidFormIsValid) {
    EXPECT_TRUE(qrLib::IsValidSiloName(kSilo));
    EXPECT_TRUE(qrLib::IsValidSiloName(u"{ABCDEF01-2345-6789-abcd-ef0123456789}"));
    EXPECT_FALSE(qrLib::IsValidSiloName(u""));
    EXPECT_FALSE(qrLib::IsValidSiloName(u"{0a1b2c3d-4E5F-6071-8293-a4b5c6d7e8f9}0"));
    // Every position rejects what belongs elsewhere: a hex digit in place of punctuation, the
    // neighbours of the digit ranges and punctuation in place of a digit.
    const std::u16string punctuation = u"{----}";
    for (std::size_t i = 0; i < qrLib::kSiloNameLength; ++i) {
        const bool isDigit = punctuation.find(kSilo[i]) == std::u16string::npos;
        for (const char16_t c : std::u16string_view(isDigit ? u"/:@G`g-{" : u"0a")) {
            std::u16string name = kSilo;
            name[i] = c;
            EXPECT_FALSE(qrLib::IsValidSiloName(name)) << i << " " << static_cast<char>(c);
        }
    }
}

// The candidates tried from `modulePath` when none exists, and the search's result.
std::vector<std::u16string> Candidates(std::u16string_view modulePath, std::uint32_t result) {
    std::vector<std::u16string> tried;
    std::u16string found;
    const auto exists = [&](const std::u16string& candidate) {
        tried.push_back(candidate);
        return false;
    };
    EXPECT_EQ(qrLib::FindIsolateIni(modulePath, exists, found), result);
    return tried;
}

TEST(IsolateIniSearch, FromTheProgramsDirectoryUpToTheRootOrTheUncServer) {
    using List = std::vector<std::u16string>;
    EXPECT_EQ(Candidates(u"C:\\a\\b\\yolinst.exe", 2),
              (List{u"C:\\a\\b\\isolate.ini", u"C:\\a\\isolate.ini", u"C:\\isolate.ini"}));
    EXPECT_EQ(Candidates(u"\\\\server\\share\\dir\\yolinst.exe", 2),
              (List{u"\\\\server\\share\\dir\\isolate.ini", u"\\\\server\\share\\isolate.ini"}));
    EXPECT_EQ(Candidates(u"yolinst.exe", 2), List{});

    // 247 characters of directory plus "\isolate.ini" make 259, the longest that fits.
    const std::u16string fits = u"C:\\" + std::u16string(244, u'd');
    EXPECT_EQ(Candidates(fits + u"\\yolinst.exe", 2).front().size(), 259u);
    EXPECT_EQ(Candidates(fits + u"d\\yolinst.exe", 1359), List{});
}

// Counts reads and can fail them. Reading the silo takes a while, to widen the window of a race.
class CFakeSource : public qrLib::IIsolationSource {
public:
    std::uint32_t ReadSilo(std::u16string& silo) override {
        ++m_siloReads;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        silo = kSilo;
        return m_siloResult;
    }
    std::uint32_t ReadHive(std::u16string& hive) override {
        ++m_hiveReads;
        hive = m_hive;
        return m_hiveResult;
    }

    std::u16string m_hive = qrLib::kDefaultRegistryHive;
    std::uint32_t m_siloResult = 0;
    std::uint32_t m_hiveResult = 0;
    std::atomic<int> m_siloReads{0};
    std::atomic<int> m_hiveReads{0};
};

TEST(Isolation, ConcurrentFirstUsesSetUpOnce) {
    CFakeSource source;
    CIsolation isolation(source);
    std::vector<std::future<std::optional<std::u16string>>> roots;
    for (int i = 0; i < 8; ++i) {
        roots.push_back(
            std::async(std::launch::async, [&] { return isolation.GetRegistryRoot(); }));
    }
    for (auto& root : roots) {
        EXPECT_EQ(root.get(), kDefaultRoot);
    }
    // A name given after the set-up has no effect, and nothing is read again.
    EXPECT_TRUE(isolation.Initialize(kOtherSilo));
    EXPECT_EQ(isolation.GetSiloName(), std::u16string(kSilo));
    EXPECT_EQ(source.m_siloReads, 1);
    EXPECT_EQ(source.m_hiveReads, 1);
}

TEST(Isolation, FailuresCacheNothingAndAreRetried) {
    CFakeSource source;
    CIsolation isolation(source);
    source.m_siloResult = 2;
    EXPECT_EQ(isolation.GetSiloName(), std::nullopt);
    EXPECT_EQ(isolation.GetRegistryRoot(), std::nullopt);
    EXPECT_FALSE(isolation.SetRegistryHive(u"Software\\Hive"));
    EXPECT_EQ(source.m_siloReads, 3);
    EXPECT_FALSE(isolation.Initialize(u"{not-a-guid}"));

    source.m_siloResult = 0;
    source.m_hiveResult = 13;
    EXPECT_FALSE(isolation.Initialize());
    EXPECT_EQ(source.m_hiveReads, 1);

    // A valid name given by the caller replaces the file's silo.
    source.m_hiveResult = 0;
    EXPECT_TRUE(isolation.Initialize(kOtherSilo));
    EXPECT_EQ(isolation.GetRegistryRoot(),
              std::u16string(u"Software\\Zanthrex\\Isolation\\") + kOtherSilo);
}

TEST(Isolation, TheHiveCanBeReplacedOnce) {
    CFakeSource source;
    CIsolation isolation(source);
    ASSERT_TRUE(isolation.Initialize());
    // Without a hive the source's is read again; its failure changes nothing and can be retried.
    source.m_hive = u"Software\\FromFile";
    source.m_hiveResult = 122;
    EXPECT_FALSE(isolation.SetRegistryHive());
    EXPECT_EQ(isolation.GetRegistryRoot(), kDefaultRoot);
    source.m_hiveResult = 0;
    EXPECT_TRUE(isolation.SetRegistryHive());
    EXPECT_TRUE(isolation.SetRegistryHive(u"Software\\Second"));
    EXPECT_EQ(isolation.GetRegistryRoot(), std::u16string(u"Software\\FromFile\\") + kSilo);

    CIsolation fresh(source);
    EXPECT_TRUE(fresh.SetRegistryHive(u"Software\\Given"));
    EXPECT_EQ(fresh.GetRegistryRoot(), std::u16string(u"Software\\Given\\") + kSilo);
}

}  // namespace
