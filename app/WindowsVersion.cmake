# The facts both Windows programs state in their version resources and
# manifests, and the release (zip, NSIS installer and uninstaller, MSI) names
# its files by and registers: 2.11.0 is the loader's version 0211.
set(GALT_FILE_VERSION_DOTS ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0)
set(GALT_FILE_VERSION_COMMAS ${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0)
set(GALT_PRODUCT_VERSION 0${PROJECT_VERSION_MAJOR}${PROJECT_VERSION_MINOR})
# Windows Installer compares three numbers.
set(GALT_MSI_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH})
# The product's name as the Linux menu, the Start menu and the installers give it.
set(GALT_PRODUCT_NAME "Загрузчик ПО GALT-5R")
set(GALT_PUBLISHER "Tornel Ltd")
# The MSI's upgrade code: the same for every version, for ever, so that a
# newer package replaces an older one (and an older one refuses a newer).
set(GALT_MSI_UPGRADE_CODE "5DD1600B-03CA-46C5-8340-9CB6FA0DCD5A")
