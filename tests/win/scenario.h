// What every end-to-end scenario shares: a scratch APPDATA with the program's data folder,
// the host simulator, the journal and the log of one run. The expected journal lines are
// built with the builders of support/journal_lines.h.
#pragma once

#include "host-sim/host_sim.h"
#include "scene-writer/container_writer.h"
#include "support/journal_lines.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace orvex::scenario {

using namespace test; // the journal-line builders

// Whether any line is a call of the operation.
bool containsOperation(const Lines& lines, const std::string& operation);

// A fresh APPDATA per scenario, the program with the stand-in renderer beside it, and the
// host window open. The host simulator ends a program still running when the test ends.
class ScenarioTest : public ::testing::Test {
protected:
    void SetUp() override;

    std::wstring dataFile(const std::wstring& name) const { return dataFolder_ + L"\\" + name; }
    // The data folder as the program names it in the paths it sends.
    std::u16string dataFolderText() const;
    std::u16string textureFolderText() const { return dataFolderText() + u"\\Textures\\"; }

    void writeContainer(const std::wstring& name, const writer::ContainerWriter& container);
    void writeModel(const writer::ModelBlockContent& model, const std::u16string& project = kProject);
    void writeDataFile(const std::wstring& name, const std::string& bytes);

    void start(const std::wstring& word = L"");
    // The host's request 1026 and the program's answer 1137 (wParam 0, lParam 10): every
    // request posted before it has then been handled.
    void saveStateAndWait();
    void expectStateSavedAnswer();
    // Closes the host window and waits for the program to end with exit code 0.
    void closeHostAndExpectCleanExit();
    void expectCleanExit();

    Lines journal() const { return hostsim::readLines(options_.journal); }
    bool journalExists() const { return hostsim::fileExists(options_.journal); }
    // Pumps the host window until the journal satisfies the predicate (or time runs out).
    bool waitForJournal(const std::function<bool(const Lines&)>& done, DWORD timeoutMs = 10000);
    // The log's lines as "A: text" (8-bit writer) or "W: text" (UTF-16 writer), each stamp
    // checked for its writer's format; "?: line" for a line of neither form.
    Lines log() const;
    // Files (not folders) under a folder, relative to it, sorted.
    static std::vector<std::string> filesUnder(const std::wstring& folder);

    static inline const std::u16string kProject = u"C:\\Work\\House.plan";

    hostsim::ScratchFolder scratch_{L"orvex-scenario"};
    std::wstring appData_;
    std::wstring dataFolder_;
    hostsim::ProgramOptions options_;
    hostsim::HostSimulator host_; // after the folder: ends a program still running before it is removed
};

} // namespace orvex::scenario
