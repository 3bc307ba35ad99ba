/* The install record: the registry keys and value names setup writes and
   the remover reads back, and the start-menu folder both work in.  Plain
   string literals, so that the remover, which has no C++ runtime, builds
   its texts from them by concatenation. */
#ifndef KELP_RECORD_H
#define KELP_RECORD_H

/* Below HKEY_LOCAL_MACHINE, or HKEY_CURRENT_USER for an install of one
   user's, each with a subkey named after the record. */
#define RECORD_UNINSTALL_KEY "software\\microsoft\\windows\\currentversion\\uninstall"
#define RECORD_APP_PATHS_KEY "software\\microsoft\\windows\\currentversion\\app paths"
/* Below HKEY_CURRENT_USER: the saver's options, a subkey per saver. */
#define RECORD_SETTINGS_KEY "software\\zub_Kram"
/* The class given to every key setup and the saver create. */
#define RECORD_KEY_CLASS "zUbSaver"
/* Below the user's Programs folder, with a subfolder named after the record. */
#define RECORD_MENU_FOLDER "zub_Savers"

/* The uninstall key's values. */
#define RECORD_DISPLAY_NAME "displayName"
#define RECORD_UNINSTALL_COMMAND "uninstallString"
#define RECORD_QUIET_UNINSTALL "QuietUninstallString"
#define RECORD_DISPLAY_ICON "DisplayIcon"
#define RECORD_DISPLAY_VERSION "DisplayVersion"
#define RECORD_PUBLISHER "Publisher"
#define RECORD_INSTALL_LOCATION "InstallLocation"
#define RECORD_ESTIMATED_SIZE "EstimatedSize"
#define RECORD_NO_MODIFY "NoModify"
#define RECORD_NO_REPAIR "NoRepair"

/* The application-path key's values besides its default one, the saver file. */
#define RECORD_INSTALL_FOLDER "Path"
#define RECORD_MENU_PATH "smPath"
/* The first folder setup made for the install folder (itself, or one
   above it): the remover takes away no folder that was there before. */
#define RECORD_MADE_FOLDER "madeFolder"

#endif
