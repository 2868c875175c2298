// The shared scenario fixture.
#include "scenario.h"

#include <algorithm>
#include <regex>

namespace orvex::scenario {

using namespace hostsim;

namespace {

std::u16string u16(const std::wstring& text) { return std::u16string(text.begin(), text.end()); }

} // namespace

bool containsOperation(const Lines& lines, const std::string& operation) {
    for (const std::string& line : lines)
        if (journalField(line, "op") == operation) return true;
    return false;
}

void ScenarioTest::SetUp() {
    ASSERT_NE(scratch_.path().find(L"orvex-scenario"), std::wstring::npos);
    // A program left over from an earlier run would take every request as a second start.
    ASSERT_EQ(FindWindowW(kProgramWindowClass, nullptr), nullptr) << "an OrvexExchange.exe is still running";
    appData_ = scratch_ / L"appdata";
    dataFolder_ = dataFolderFor(appData_);
    options_.program = ownFolder() + L"\\OrvexExchange.exe";
    options_.rendererFolder = standinFolder();
    options_.appData = appData_;
    options_.journal = scratch_ / L"journal.jsonl";
    ASSERT_TRUE(makeFolders(dataFolder_));
    ASSERT_TRUE(host_.openHostWindow());
}

std::u16string ScenarioTest::dataFolderText() const { return u16(dataFolder_); }

void ScenarioTest::writeContainer(const std::wstring& name, const writer::ContainerWriter& container) {
    writeDataFile(name, container.bytes());
}

void ScenarioTest::writeModel(const writer::ModelBlockContent& model, const std::u16string& project) {
    writer::ContainerWriter container;
    container.addModelBlock(project, model);
    writeContainer(L"_model.alm", container);
}

void ScenarioTest::writeDataFile(const std::wstring& name, const std::string& bytes) {
    ASSERT_TRUE(writeFile(dataFile(name), bytes)) << toUtf8(name);
}

void ScenarioTest::start(const std::wstring& word) {
    ASSERT_TRUE(host_.startProgram(options_, word)) << "cannot start the program: error " << GetLastError();
}

void ScenarioTest::saveStateAndWait() {
    ASSERT_TRUE(host_.post(1026));
    expectStateSavedAnswer();
}

void ScenarioTest::expectStateSavedAnswer() {
    const auto answer = host_.waitForMessage(1137);
    ASSERT_TRUE(answer.has_value()) << "no 1137 from the program";
    EXPECT_EQ(answer->wParam, 0u);
    EXPECT_EQ(answer->lParam, 10);
    // The program logs the save after it has answered.
    EXPECT_TRUE(host_.waitUntilProgramIsIdle());
}

void ScenarioTest::closeHostAndExpectCleanExit() {
    host_.closeHostWindow();
    expectCleanExit();
}

void ScenarioTest::expectCleanExit() {
    const auto code = host_.waitForExit();
    ASSERT_TRUE(code.has_value()) << "the program did not end";
    EXPECT_EQ(*code, 0u);
}

bool ScenarioTest::waitForJournal(const std::function<bool(const Lines&)>& done, DWORD timeoutMs) {
    const ULONGLONG start = GetTickCount64();
    while (!done(journal())) {
        if (GetTickCount64() - start >= timeoutMs) return false;
        host_.pump(10);
    }
    return true;
}

Lines ScenarioTest::log() const {
    static const std::regex narrow(R"(^\[\d{4}\. \d{2}\. \d{2} - \d{2}:\d{2}:\d{2}\]: (.*)$)");
    static const std::regex wide(R"(^\[\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2}\]: (.*)$)");
    Lines texts;
    for (const std::string& line : readLines(logFileFor(appData_))) {
        std::smatch m;
        if (std::regex_match(line, m, narrow)) texts.push_back("A: " + m[1].str());
        else if (std::regex_match(line, m, wide)) texts.push_back("W: " + m[1].str());
        else texts.push_back("?: " + line);
    }
    return texts;
}

std::vector<std::string> ScenarioTest::filesUnder(const std::wstring& folder) {
    std::vector<std::string> files;
    std::function<void(const std::wstring&, const std::string&)> walk = [&](const std::wstring& path,
                                                                          const std::string& prefix) {
        WIN32_FIND_DATAW found;
        const HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return;
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                walk(path + L"\\" + name, prefix + toUtf8(name) + "\\");
            else
                files.push_back(prefix + toUtf8(name));
        } while (FindNextFileW(search, &found));
        FindClose(search);
    };
    walk(folder, "");
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace orvex::scenario
