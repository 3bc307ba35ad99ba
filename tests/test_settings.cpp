/* Settings record and registry store, against the real registry. */
#include <gtest/gtest.h>
#include <string.h>

#include "settings/settings.h"
#include "tests/testutil.h"

static const char parentPath[] = "software\\zub_Kram";
static const char keyPath[] = "software\\zub_Kram\\kelpVole99";

class Settings : public ::testing::Test {
protected:
    KeyBackup parent, key;
    void SetUp() override
    {
        backupKey(HKEY_CURRENT_USER, parentPath, &parent);
        backupKey(HKEY_CURRENT_USER, keyPath, &key);
        RegDeleteKeyA(HKEY_CURRENT_USER, keyPath);
    }
    void TearDown() override
    {
        restoreKey(&key);
        restoreKey(&parent);
    }
};

static const DWORD defaults[KELP_SETTINGS_COUNT] = {
    2500, 100, 155, 155, 255, 155, 255, 255, 1, 0x008800C6, 0
};

static void expectFields(const DWORD *expected)
{
    for (int i = 0; i < KELP_SETTINGS_COUNT; i++)
        EXPECT_EQ(expected[i], *settingField(i)) << settingNames[i];
}

TEST_F(Settings, NoKeyGivesDefaults)
{
    memset(&saverSettings, 0xAB, sizeof saverSettings);
    loadSettings();
    expectFields(defaults);
    EXPECT_EQ(RGB(155, 155, 255), waterColour());
    EXPECT_EQ(RGB(155, 255, 255), bubbleColour());
}

TEST_F(Settings, KeyWithOnlyFillToKeepsOtherDefaults)
{
    DWORD expected[KELP_SETTINGS_COUNT];
    memcpy(expected, defaults, sizeof expected);
    expected[1] = 50;
    setRawValue(HKEY_CURRENT_USER, keyPath, "fillTo", REG_DWORD, &expected[1], sizeof expected[1]);
    loadSettings();
    expectFields(expected);
}

TEST_F(Settings, SaveThenLoadKeepsOutOfRangeValues)
{
    static const DWORD stored[KELP_SETTINGS_COUNT] = {
        2500, 7, 0x1FF, 300, 0xFFFFFFFF, 0, 1, 2, 0, 0x12345678, 9
    };
    for (int i = 0; i < KELP_SETTINGS_COUNT; i++)
        *settingField(i) = stored[i];
    saveSettings(NULL);
    defaultSettings();
    loadSettings();
    expectFields(stored);
    /* only the low byte of a component counts */
    EXPECT_EQ(RGB(0xFF, 44, 0xFF), waterColour());
}

TEST_F(Settings, SaveWritesElevenDwordsAndTheClass)
{
    HKEY key;
    char className[32];
    DWORD classSize = sizeof className, values = 0, subkeys = 0;
    defaultSettings();
    saveSettings(NULL);
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_READ, &key));
    ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyA(key, className, &classSize, NULL, &subkeys, NULL,
                                              NULL, &values, NULL, NULL, NULL, NULL));
    EXPECT_STREQ("zUbSaver", className);
    EXPECT_EQ(11u, values);
    EXPECT_EQ(0u, subkeys);
    for (int i = 0; i < KELP_SETTINGS_COUNT; i++) {
        DWORD type = 0, data = 0, size = sizeof data;
        EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, settingNames[i], NULL, &type,
                                                  (BYTE *)&data, &size));
        EXPECT_EQ((DWORD)REG_DWORD, type);
        EXPECT_EQ(4u, size);
        EXPECT_EQ(defaults[i], data) << settingNames[i];
    }
    RegCloseKey(key);
}

/* Values are raw bytes poured into the low end of the field. */
TEST_F(Settings, RawByteRule)
{
    const struct {
        const char *what, *name; DWORD type; BYTE data[8]; DWORD size; int field; DWORD expected;
    } cases[] = {
        { "string \"0\" turns sound on", "sound", REG_SZ, { '0', 0 }, 2, 8, 0x30 },
        { "two binary bytes keep the high default bytes", "speed", REG_BINARY, { 0x34, 0x12 }, 2, 0,
          (2500 & 0xFFFF0000) | 0x1234 },
        { "one byte", "aquaB", REG_BINARY, { 0x07 }, 1, 4, 0x07 },
        { "five bytes are too long", "fillTo", REG_BINARY, { 1, 2, 3, 4, 5 }, 5, 1, 100 },
        { "eight-byte qword is too long", "bltMode", REG_QWORD, { 1, 0, 0, 0, 0, 0, 0, 0 }, 8, 9,
          0x008800C6 },
        { "dword of another type", "bltIdx", REG_DWORD_BIG_ENDIAN, { 0, 0, 0, 3 }, 4, 10, 0x03000000 },
        { "0x1FF colour component", "aquaR", REG_DWORD, { 0xFF, 0x01 }, 4, 2, 0x1FF },
    };
    for (const auto &c : cases) {
        RegDeleteKeyA(HKEY_CURRENT_USER, keyPath);
        setRawValue(HKEY_CURRENT_USER, keyPath, c.name, c.type, c.data, c.size);
        loadSettings();
        EXPECT_EQ(c.expected, *settingField(c.field)) << c.what;
    }
}

TEST_F(Settings, KeyPathIsPrefixAndRecordName)
{
    char path[MAX_PATH], tiny[8];
    ASSERT_TRUE(settingsKeyPath(path, sizeof path));
    EXPECT_STREQ(keyPath, path);
    EXPECT_FALSE(settingsKeyPath(tiny, sizeof tiny));
}

/* Every registry type and every size from 0 to 8 bytes, for every value:
   up to 4 bytes land in the low end of the field, longer ones are refused. */
TEST_F(Settings, EveryTypeAndSizeFollowsTheRawByteRule)
{
    static const DWORD types[] = { REG_NONE, REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD,
                                   REG_DWORD_BIG_ENDIAN, REG_MULTI_SZ, REG_QWORD };
    const BYTE data[8] = { 'k', 'e', 'l', 'p', 'V', 'o', 'l', 'e' };
    int wrong = 0;
    for (DWORD type : types)
        for (DWORD size = 0; size <= 8; size++)
            for (int f = 0; f < KELP_SETTINGS_COUNT; f++) {
                DWORD expected = defaults[f];
                if (size <= 4)
                    memcpy(&expected, data, size);
                RegDeleteKeyA(HKEY_CURRENT_USER, keyPath);
                setRawValue(HKEY_CURRENT_USER, keyPath, settingNames[f], type, data, size);
                loadSettings();
                if (*settingField(f) != expected && wrong++ < 5)
                    ADD_FAILURE() << settingNames[f] << " type " << type << " size " << size;
            }
    EXPECT_EQ(0, wrong);
}
