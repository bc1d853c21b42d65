#include "qrlib/Isolation.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
#include <thread>
#include <vector>

#include "qrlib/IsolateIniSearch.h"
#include "qrlib/SiloName.h"

namespace {

using qrLib::CIsolation;

constexpr char16_t kSilo[] = u"{0a1b2c3d-4E5F-6071-8293-a4b5c6d7e8f9}";
constexpr char16_t kOtherSilo[] = u"{11111111-2222-3333-4444-555555555555}";

TEST(SiloName, OnlyTheBracedGuidFormIsValid) {
    EXPECT_TRUE(qrLib::IsValidSiloName(kSilo));
    EXPECT_TRUE(qrLib::IsValidSiloName(u"{ABCDEF01-2345-6789-abcd-ef0123456789}"));
    EXPECT_FALSE(qrLib::IsValidSiloName(u"0a1b2c3d-4E5F-6071-8293-a4b5c6d7e8f9"));  // 36, no braces
    EXPECT_FALSE(qrLib::IsValidSiloName(u"{0a1b2c3d-4E5F-6071-8293-a4b5c6d7e8g9}"));
    EXPECT_FALSE(qrLib::IsValidSiloName(u"{0a1b2c3d-4E5F-6071-8293-a4b5c6d7e8f9"));
    EXPECT_FALSE(qrLib::IsValidSiloName(u"{0a1b2c3d-4E5F-6071-8293-a4b5c6d7e8f9}}"));
    EXPECT_FALSE(qrLib::IsValidSiloName(u"(0a1b2c3d-4E5F-6071-8293-a4b5c6d7e8f9)"));
    EXPECT_FALSE(qrLib::IsValidSiloName(u"{0a1b2c3d04E5F-6071-8293-a4b5c6d7e8f9}"));
    EXPECT_FALSE(qrLib::IsValidSiloName(u"{0a1b2c3d-4E5F-6071-8293-a4b5c6d7e8f-}"));
    EXPECT_FALSE(qrLib::IsValidSiloName(u""));
    // Every digit position rejects a non-hex letter.
    for (std::size_t i = 1; i < 37; ++i) {
        std::u16string name = kSilo;
        if (name[i] == u'-') {
            continue;
        }
        name[i] = u'x';
        EXPECT_FALSE(qrLib::IsValidSiloName(name)) << i;
    }
}

std::vector<std::u16string> Candidates(std::u16string_view modulePath, std::uint32_t& result) {
    std::vector<std::u16string> tried;
    std::u16string found;
    result = qrLib::FindIsolateIni(
        modulePath,
        [&](const std::u16string& candidate) {
            tried.push_back(candidate);
            return false;
        },
        found);
    return tried;
}

TEST(IsolateIniSearch, FromTheProgramsDirectoryUpToTheRoot) {
    std::uint32_t result = 0;
    EXPECT_EQ(Candidates(u"C:\\a\\b\\yolinst.exe", result),
              (std::vector<std::u16string>{u"C:\\a\\b\\isolate.ini", u"C:\\a\\isolate.ini",
                                           u"C:\\isolate.ini"}));
    EXPECT_EQ(result, 2u);
    // A UNC path stops before its server part.
    EXPECT_EQ(Candidates(u"\\\\server\\share\\dir\\yolinst.exe", result),
              (std::vector<std::u16string>{u"\\\\server\\share\\dir\\isolate.ini",
                                           u"\\\\server\\share\\isolate.ini"}));
    EXPECT_EQ(result, 2u);
    EXPECT_EQ(Candidates(u"yolinst.exe", result), std::vector<std::u16string>{});
    EXPECT_EQ(result, 2u);

    std::u16string found;
    EXPECT_EQ(
        qrLib::FindIsolateIni(
            u"C:\\a\\b\\yolinst.exe",
            [](const std::u16string& candidate) { return candidate == u"C:\\a\\isolate.ini"; },
            found),
        0u);
    EXPECT_EQ(found, u"C:\\a\\isolate.ini");
}

TEST(IsolateIniSearch, ACandidateBeyondThePathLimitIsAnInternalError) {
    // 247 characters of directory plus "\isolate.ini" is 259, the longest that fits.
    const std::u16string fits = u"C:\\" + std::u16string(244, u'd');
    std::u16string candidate;
    EXPECT_TRUE(qrLib::IsolateIniCandidate(fits, candidate));
    EXPECT_EQ(candidate.size(), 259u);
    EXPECT_FALSE(qrLib::IsolateIniCandidate(fits + u'd', candidate));

    std::uint32_t result = 0;
    EXPECT_TRUE(Candidates(fits + u"d\\yolinst.exe", result).empty());
    EXPECT_EQ(result, 1359u);
}

// Counts reads and can fail them; slow on request, to widen the window of a race.
class CFakeSource : public qrLib::IIsolationSource {
public:
    std::uint32_t ReadSilo(std::u16string& silo) override {
        ++m_siloReads;
        if (m_slow) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        silo = m_silo;
        return m_siloResult;
    }
    std::uint32_t ReadHive(std::u16string& hive) override {
        ++m_hiveReads;
        hive = m_hive;
        return m_hiveResult;
    }

    std::u16string m_silo = kSilo;
    std::u16string m_hive = qrLib::kDefaultRegistryHive;
    std::uint32_t m_siloResult = 0;
    std::uint32_t m_hiveResult = 0;
    std::atomic<int> m_siloReads{0};
    std::atomic<int> m_hiveReads{0};
    bool m_slow = false;
};

TEST(Isolation, TheRootIsTheHiveABackslashAndTheSilo) {
    CFakeSource source;
    CIsolation isolation(source);
    EXPECT_EQ(isolation.GetSiloName(), std::u16string(kSilo));
    EXPECT_EQ(isolation.GetRegistryRoot(),
              std::u16string(u"Software\\Zanthrex\\Isolation\\") + kSilo);
    // Set up once: a later name has no effect and nothing is read again.
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
    EXPECT_EQ(isolation.GetSiloName(), std::u16string(kOtherSilo));
}

TEST(Isolation, TheHiveCanBeReplacedOnce) {
    CFakeSource source;
    CIsolation isolation(source);
    EXPECT_TRUE(isolation.SetRegistryHive(u"Software\\First"));
    EXPECT_EQ(isolation.GetRegistryRoot(), std::u16string(u"Software\\First\\") + kSilo);
    EXPECT_TRUE(isolation.SetRegistryHive(u"Software\\Second"));
    EXPECT_EQ(isolation.GetRegistryRoot(), std::u16string(u"Software\\First\\") + kSilo);

    // Without a hive the source's is read again; its failure changes nothing and can be retried.
    CFakeSource other;
    CIsolation fresh(other);
    ASSERT_TRUE(fresh.Initialize());
    other.m_hive = u"Software\\FromFile";
    other.m_hiveResult = 122;
    EXPECT_FALSE(fresh.SetRegistryHive());
    EXPECT_EQ(fresh.GetRegistryRoot(), std::u16string(u"Software\\Zanthrex\\Isolation\\") + kSilo);
    other.m_hiveResult = 0;
    EXPECT_TRUE(fresh.SetRegistryHive());
    EXPECT_EQ(fresh.GetRegistryRoot(), std::u16string(u"Software\\FromFile\\") + kSilo);
}

TEST(Isolation, ConcurrentFirstUsesInitialiseOnce) {
    CFakeSource source;
    source.m_slow = true;
    CIsolation isolation(source);
    std::atomic<bool> go{false};
    std::vector<std::optional<std::u16string>> names(8);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < names.size(); ++i) {
        threads.emplace_back([&, i] {
            while (!go.load()) {
                std::this_thread::yield();
            }
            names[i] = isolation.GetSiloName();
        });
    }
    go.store(true);
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(source.m_siloReads, 1);
    EXPECT_EQ(source.m_hiveReads, 1);
    for (const auto& name : names) {
        EXPECT_EQ(name, std::u16string(kSilo));
    }
}

}  // namespace
