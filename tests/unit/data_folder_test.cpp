// The data folder (environment first, then the registry, cached only once found) and the
// names derived from it and from the host's project path.
#include "core/data_folder.h"
#include "core/log.h"
#include "support/fake_platform.h"

#include <gtest/gtest.h>

using namespace orvex;

namespace {

const std::u16string kRegistryEntry = u"SOFTWARE\\Tervanic\\Planomat2027_OrvexPlugin|TempPath";

struct DataFolder : ::testing::Test {
    test::FakePlatform fake;
};

} // namespace

TEST_F(DataFolder, AppDataGetsTheVendorAndPluginFolders) {
    fake.setAppData(u"C:\\Users\\A\\AppData\\Roaming");
    EXPECT_EQ(getDataFolder(), u"C:\\Users\\A\\AppData\\Roaming\\Quorvel\\Planomat2027_OrvexPlugin\\Data");
    EXPECT_EQ(dataFilePath(u"camera.cam"),
              u"C:\\Users\\A\\AppData\\Roaming\\Quorvel\\Planomat2027_OrvexPlugin\\Data\\camera.cam");
}

TEST_F(DataFolder, AppDataWithTrailingBackslashIsNotDoubled) {
    fake.setAppData(u"C:\\Users\\A\\AppData\\Roaming\\");
    EXPECT_EQ(getDataFolder(), u"C:\\Users\\A\\AppData\\Roaming\\Quorvel\\Planomat2027_OrvexPlugin\\Data");
}

TEST_F(DataFolder, OnlyTheBackslashCountsAsASeparator) {
    fake.setAppData(u"C:/Roaming/");
    EXPECT_EQ(getDataFolder(), u"C:/Roaming/\\Quorvel\\Planomat2027_OrvexPlugin\\Data");
    resetDataFolderCache();
    fake.environment.clear();
    fake.registry[kRegistryEntry] = u"D:/Temp/";
    EXPECT_EQ(dataFilePath(u"camera.cam"), u"D:/Temp/\\camera.cam");
}

TEST_F(DataFolder, EnvironmentIsPreferredToTheRegistry) {
    fake.setAppData(u"E:\\A");
    fake.registry[kRegistryEntry] = u"D:\\Temp\\";
    EXPECT_EQ(getDataFolder(), u"E:\\A\\Quorvel\\Planomat2027_OrvexPlugin\\Data");
}

TEST_F(DataFolder, AppDataMustFitAFiveHundredTwelveUnitBuffer) {
    fake.registry[kRegistryEntry] = u"D:\\Temp\\";
    fake.setAppData(std::u16string(511, u'a'));
    EXPECT_EQ(getDataFolder(), std::u16string(511, u'a') + u"\\Quorvel\\Planomat2027_OrvexPlugin\\Data");

    resetDataFolderCache();
    fake.setAppData(std::u16string(512, u'a'));
    EXPECT_EQ(getDataFolder(), u"D:\\Temp\\");
}

TEST_F(DataFolder, EmptyAppDataFallsBackToTheRegistry) {
    fake.setAppData(u"");
    fake.registry[kRegistryEntry] = u"D:\\Temp\\";
    EXPECT_EQ(getDataFolder(), u"D:\\Temp\\");
}

TEST_F(DataFolder, RegistryTempPathIsUsedAsStored) {
    fake.registry[kRegistryEntry] = u"D:\\Temp\\";
    EXPECT_EQ(getDataFolder(), u"D:\\Temp\\");
    EXPECT_EQ(dataFilePath(u"camera.cam"), u"D:\\Temp\\camera.cam");
    // The log is joined without a separator, so here it lies inside the folder.
    EXPECT_EQ(logFilePath(), u"D:\\Temp\\Orvex_Log.log");
}

TEST_F(DataFolder, RegistryTempPathWithoutTrailingBackslash) {
    fake.registry[kRegistryEntry] = u"D:\\Temp";
    EXPECT_EQ(getDataFolder(), u"D:\\Temp");
    EXPECT_EQ(dataFilePath(u"_mod.sm"), u"D:\\Temp\\_mod.sm");
    EXPECT_EQ(logFilePath(), u"D:\\TempOrvex_Log.log");
}

TEST_F(DataFolder, RegistryValueEndsAtItsFirstNul) {
    fake.registry[kRegistryEntry] = std::u16string(u"D:\\Temp\\\0junk", 12);
    EXPECT_EQ(getDataFolder(), u"D:\\Temp\\");
}

TEST_F(DataFolder, RegistryValueOfMoreThan127UnitsIsMissing) {
    const std::u16string fits = u"D:\\" + std::u16string(124, u'x');
    ASSERT_EQ(fits.size(), 127u);
    fake.registry[kRegistryEntry] = fits;
    EXPECT_EQ(getDataFolder(), fits);

    resetDataFolderCache();
    fake.registry[kRegistryEntry] = fits + u"y";
    EXPECT_EQ(getDataFolder(), u"");
    EXPECT_EQ(dataFilePath(u"_mod.sm"), u"_mod.sm");
}

TEST_F(DataFolder, NoSourceGivesBareNamesAndIsAskedAgain) {
    EXPECT_EQ(getDataFolder(), u"");
    EXPECT_EQ(dataFilePath(u"_mod.sm"), u"_mod.sm");
    EXPECT_EQ(logFilePath(), u"Orvex_Log.log");

    fake.registry[kRegistryEntry] = u"D:\\Temp\\";
    EXPECT_EQ(getDataFolder(), u"D:\\Temp\\");
}

TEST_F(DataFolder, FoundFolderIsCachedForTheProcess) {
    fake.setAppData(u"C:\\One");
    EXPECT_EQ(getDataFolder(), u"C:\\One\\Quorvel\\Planomat2027_OrvexPlugin\\Data");
    fake.setAppData(u"C:\\Two");
    fake.registry[kRegistryEntry] = u"D:\\Temp\\";
    EXPECT_EQ(getDataFolder(), u"C:\\One\\Quorvel\\Planomat2027_OrvexPlugin\\Data");
    EXPECT_EQ(logFilePath(), u"C:\\One\\Quorvel\\Planomat2027_OrvexPlugin\\DataOrvex_Log.log");
}

TEST(ProjectStem, KeepsTheFileNameWithoutItsLastExtension) {
    EXPECT_EQ(projectStem(u"C:\\Work\\House.plan"), u"House");
    EXPECT_EQ(projectStem(u"C:\\Work/House"), u"House");
    EXPECT_EQ(projectStem(u"C:/Work\\House.plan"), u"House");
    EXPECT_EQ(projectStem(u"House.v2.plan"), u"House.v2");
    EXPECT_EQ(projectStem(u"House"), u"House");
    // A full stop in a folder name is not an extension.
    EXPECT_EQ(projectStem(u"C:\\Work.old\\House"), u"House");
    EXPECT_EQ(projectStem(u"C:\\Work\\.plan"), u"");
    EXPECT_EQ(projectStem(u"C:\\Work\\"), u"");
    EXPECT_EQ(projectStem(u""), u"");
}

TEST(SceneFilePath, CutsAtTheLastFullStopOfTheWholePath) {
    EXPECT_EQ(sceneFilePath(u"C:\\Work\\House.plan"), u"C:\\Work\\House.orvexa");
    EXPECT_EQ(sceneFilePath(u"C:\\Work\\House.v2.plan"), u"C:\\Work\\House.v2.orvexa");
    EXPECT_EQ(sceneFilePath(u"C:\\Work.old\\House"), u"C:\\Work.orvexa");
    EXPECT_EQ(sceneFilePath(u"C:\\Work\\House"), u"C:\\Work\\House.orvexa");
    EXPECT_EQ(sceneFilePath(u""), u".orvexa");
}
