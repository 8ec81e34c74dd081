# The Windows release, in the build's top folder: the two programs stripped
# with the Russian read-me, as galt-loader-0211-win64.zip (unpack anywhere,
# nothing to install) and as galt-loader-0211-setup.exe (a per-user
# installer made with NSIS). Included from app/win32/CMakeLists.txt, where
# the icon and the version numbers are made.
find_program(GALT_MAKENSIS makensis REQUIRED)
set(stage ${CMAKE_CURRENT_BINARY_DIR}/stage)
set(GALT_WINDOWS_ZIP ${CMAKE_BINARY_DIR}/galt-loader-${GALT_PRODUCT_VERSION}-win64.zip)
# Known to the tests, which install it under Wine.
set(GALT_WINDOWS_SETUP ${CMAKE_BINARY_DIR}/galt-loader-${GALT_PRODUCT_VERSION}-setup.exe CACHE INTERNAL "")

# Windows' editors read the read-me best with CRLF and the byte-order mark
# it starts with.
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/packaging/readme.txt ${stage}/readme.txt @ONLY NEWLINE_STYLE CRLF)
add_custom_command(OUTPUT ${stage}/galt-loader.exe ${stage}/galt-loader-cli.exe
  COMMAND ${CMAKE_STRIP} -o ${stage}/galt-loader.exe $<TARGET_FILE:galt-loader>
  COMMAND ${CMAKE_STRIP} -o ${stage}/galt-loader-cli.exe $<TARGET_FILE:galt-loader-cli>
  DEPENDS galt-loader galt-loader-cli
  COMMENT "Stripping the Windows programs")
add_custom_command(OUTPUT ${GALT_WINDOWS_ZIP}
  COMMAND ${CMAKE_COMMAND} -E rm -f ${GALT_WINDOWS_ZIP}
  COMMAND ${CMAKE_COMMAND} -E tar cf ${GALT_WINDOWS_ZIP} --format=zip
          galt-loader.exe galt-loader-cli.exe readme.txt
  WORKING_DIRECTORY ${stage}
  DEPENDS ${stage}/galt-loader.exe ${stage}/galt-loader-cli.exe ${stage}/readme.txt
  COMMENT "Making galt-loader-${GALT_PRODUCT_VERSION}-win64.zip")
add_custom_command(OUTPUT ${GALT_WINDOWS_SETUP}
  COMMAND ${GALT_MAKENSIS} -V2 -WX -DVERSION=${GALT_PRODUCT_VERSION} -DFILE_VERSION=${GALT_FILE_VERSION_DOTS}
          -DSTAGE=${stage} -DICON=${GALT_ICON} -DOUTFILE=${GALT_WINDOWS_SETUP}
          ${CMAKE_CURRENT_SOURCE_DIR}/packaging/galt-loader.nsi
  DEPENDS ${stage}/galt-loader.exe ${stage}/galt-loader-cli.exe ${stage}/readme.txt ${GALT_ICON}
          ${CMAKE_CURRENT_SOURCE_DIR}/packaging/galt-loader.nsi ${CMAKE_CURRENT_SOURCE_DIR}/packaging/wizard.bmp
  COMMENT "Making galt-loader-${GALT_PRODUCT_VERSION}-setup.exe")
add_custom_target(galt_windows_release ALL DEPENDS ${GALT_WINDOWS_ZIP} ${GALT_WINDOWS_SETUP})
