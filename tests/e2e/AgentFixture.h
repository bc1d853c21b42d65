// The starting point of every end-to-end test: a machine without the agent's service, the
// client's service, the product's registry keys or the result marker, and a fresh folder whose
// name has a space, for the agent under test.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "E2eSupport.h"

namespace e2e {

constexpr char kService[] = "Yolinst";
constexpr char kClientService[] = "yolService";
constexpr char kLinkKey[] = "SOFTWARE\\Zanthrex\\Zanthrex Bastion\\YOL\\ZxLink\\ZxLink";
constexpr char kMarkerKey[] = "RUZIDUZU\\{DCCB9E52-6A84A746}";
constexpr char kAgentName[] = "Zanthrex Auto-upgrade Agent";

class CAgentTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override { Clean(); }
    static void Clean();

    // Copies the agent (the product, or its build that polls for setup's result every
    // millisecond) with the debug switch into the test's folder or a subfolder; its path.
    std::string StageAgent(const std::string& subfolder = "", bool fastPoll = false) const;
    // Empty rather than missing, so every writer appends.
    static void EmptyLog(const std::string& folder);
    static std::string Folder(const std::string& exe) { return exe.substr(0, exe.rfind('\\')); }

    std::string m_folder;
};

}  // namespace e2e
