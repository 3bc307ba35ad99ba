/* Settings record and its registry store.
   Values are read as raw bytes straight into the 32-bit fields, so a value
   of any type that is 4 bytes or shorter overwrites the field's low bytes
   and leaves the rest of the default in place. */
#include "settings/settings.h"

#include <string.h>

SaverSettings saverSettings;

const char *const settingNames[KELP_SETTINGS_COUNT] = {
    "speed", "fillTo", "aquaR", "aquaG", "aquaB",
    "bubbleR", "bubbleG", "bubbleB", "sound", "bltMode", "bltIdx"
};

void defaultSettings(void)
{
    saverSettings.speed = 2500;     /* outside the dialog's bar on purpose: "never moved" */
    saverSettings.fillTo = 100;
    saverSettings.aquaR = 155;
    saverSettings.aquaG = 155;
    saverSettings.aquaB = 255;
    saverSettings.bubbleR = 155;
    saverSettings.bubbleG = 255;
    saverSettings.bubbleB = 255;
    saverSettings.sound = 1;
    saverSettings.bltMode = SRCAND;
    saverSettings.bltIdx = 0;
}

DWORD *settingField(int index)
{
    DWORD *fields[KELP_SETTINGS_COUNT] = {
        &saverSettings.speed, &saverSettings.fillTo,
        &saverSettings.aquaR, &saverSettings.aquaG, &saverSettings.aquaB,
        &saverSettings.bubbleR, &saverSettings.bubbleG, &saverSettings.bubbleB,
        &saverSettings.sound, &saverSettings.bltMode, &saverSettings.bltIdx
    };
    if (index < 0 || index >= KELP_SETTINGS_COUNT)
        return NULL;
    return fields[index];
}

int settingsKeyPath(char *buffer, int size)
{
    int prefix = (int)strlen(KELP_SETTINGS_PREFIX);
    int name = (int)strlen(KELP_RECORD_NAME);
    if (size < prefix + name + 1)
        return 0;
    memcpy(buffer, KELP_SETTINGS_PREFIX, prefix);
    memcpy(buffer + prefix, KELP_RECORD_NAME, name + 1);
    return 1;
}

static COLORREF colourOf(DWORD r, DWORD g, DWORD b)
{
    return RGB(r & 0xFF, g & 0xFF, b & 0xFF);
}

COLORREF waterColour(void)
{
    return colourOf(saverSettings.aquaR, saverSettings.aquaG, saverSettings.aquaB);
}

COLORREF bubbleColour(void)
{
    return colourOf(saverSettings.bubbleR, saverSettings.bubbleG, saverSettings.bubbleB);
}

void loadSettings(void)
{
    char keyPath[MAX_PATH];
    HKEY key;
    int i;

    defaultSettings();
    if (!settingsKeyPath(keyPath, sizeof keyPath))
        return;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    for (i = 0; i < KELP_SETTINGS_COUNT; i++) {
        /* Read through a buffer and take over just the bytes the value
           has: a value too long for the field must leave the default alone
           (the system does not promise what a buffer holds after
           ERROR_MORE_DATA), and NT adds a terminator after a short string
           where there is room, which is no byte of the value. */
        DWORD value = 0;
        DWORD size = sizeof value;
        if (RegQueryValueExA(key, settingNames[i], NULL, NULL,
                             (BYTE *)&value, &size) == ERROR_SUCCESS && size <= sizeof value)
            memcpy(settingField(i), &value, size);
    }
    RegCloseKey(key);
}

void saveSettings(HWND owner)
{
    char keyPath[MAX_PATH];
    HKEY key;
    DWORD disposition;
    int i;

    if (!settingsKeyPath(keyPath, sizeof keyPath)
        || RegCreateKeyExA(HKEY_CURRENT_USER, keyPath, 0, (char *)KELP_SETTINGS_CLASS,
                           REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, NULL,
                           &key, &disposition) != ERROR_SUCCESS) {
        MessageBeep(MB_ICONWARNING);
        MessageBoxA(owner, "can't write config to registry", "ERROR", MB_ICONWARNING);
        return;
    }
    for (i = 0; i < KELP_SETTINGS_COUNT; i++) {
        DWORD value = *settingField(i);
        RegSetValueExA(key, settingNames[i], 0, REG_DWORD, (const BYTE *)&value, sizeof value);
    }
    RegCloseKey(key);
}
