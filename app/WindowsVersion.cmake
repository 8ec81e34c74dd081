# The version both Windows programs state in their version resources and
# manifests, and the release names its files by: 2.11.0 is the loader's
# version 0211.
set(GALT_FILE_VERSION_DOTS ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0)
set(GALT_FILE_VERSION_COMMAS ${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0)
set(GALT_PRODUCT_VERSION 0${PROJECT_VERSION_MAJOR}${PROJECT_VERSION_MINOR})
# The product's name as the Linux menu, the Start menu and the installer give it.
set(GALT_PRODUCT_NAME "Загрузчик ПО GALT-5R")
