# The Windows release, in the build's top folder: the two programs stripped
# with the Russian read-me, as galt-loader-0211-win64.zip (unpack anywhere,
# nothing to install) and as galt-loader-0211-setup.exe (a per-user
# installer made with NSIS). Included from app/win32/CMakeLists.txt, where
# the icon and the version numbers are made.
find_program(GALT_MAKENSIS makensis REQUIRED)
set(stage ${CMAKE_CURRENT_BINARY_DIR}/stage)
set(packaging ${CMAKE_CURRENT_SOURCE_DIR}/packaging)

# Signed when a certificate is given (tools/make-windows-release.sh --sign):
# both programs before they are zipped and packed, the installer and the
# uninstaller it writes (packaging/sign.sh; the password is read from
# GALT_SIGN_PASSWORD when the build runs, and kept nowhere).
set(GALT_SIGN_CERT "" CACHE FILEPATH "PKCS#12 file to sign the Windows release with; empty: unsigned")
set(GALT_SIGN_TIMESTAMP "" CACHE STRING "Timestamp server's URL for the signatures; empty: none")
set(sign_programs)
set(sign_setup)
if(GALT_SIGN_CERT)
  find_program(GALT_OSSLSIGNCODE osslsigncode REQUIRED)
  foreach(exe galt-loader.exe galt-loader-cli.exe)
    list(APPEND sign_programs COMMAND ${packaging}/sign.sh ${stage}/${exe} ${GALT_SIGN_CERT} ${GALT_SIGN_TIMESTAMP})
  endforeach()
  set(sign_setup -DSIGN=${packaging}/sign.sh -DSIGN_CERT=${GALT_SIGN_CERT} -DSIGN_TIMESTAMP=${GALT_SIGN_TIMESTAMP})
endif()
# Everything is made again when signing is switched on or off.
set(signing ${CMAKE_CURRENT_BINARY_DIR}/signing.txt)
file(CONFIGURE OUTPUT ${signing} CONTENT "${GALT_SIGN_CERT} ${GALT_SIGN_TIMESTAMP}\n")
set(GALT_WINDOWS_ZIP ${CMAKE_BINARY_DIR}/galt-loader-${GALT_PRODUCT_VERSION}-win64.zip)
# Known to the tests, which install it under Wine.
set(GALT_WINDOWS_SETUP ${CMAKE_BINARY_DIR}/galt-loader-${GALT_PRODUCT_VERSION}-setup.exe CACHE INTERNAL "")

# Windows' editors read the read-me best with CRLF and the byte-order mark
# it starts with.
configure_file(${packaging}/readme.txt ${stage}/readme.txt @ONLY NEWLINE_STYLE CRLF)
add_custom_command(OUTPUT ${stage}/galt-loader.exe ${stage}/galt-loader-cli.exe
  COMMAND ${CMAKE_STRIP} -o ${stage}/galt-loader.exe $<TARGET_FILE:galt-loader>
  COMMAND ${CMAKE_STRIP} -o ${stage}/galt-loader-cli.exe $<TARGET_FILE:galt-loader-cli>
  ${sign_programs}
  DEPENDS galt-loader galt-loader-cli ${signing} ${GALT_SIGN_CERT}
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
          -DSTAGE=${stage} -DICON=${GALT_ICON} -DOUTFILE=${GALT_WINDOWS_SETUP} ${sign_setup}
          ${packaging}/galt-loader.nsi
  DEPENDS ${stage}/galt-loader.exe ${stage}/galt-loader-cli.exe ${stage}/readme.txt ${GALT_ICON}
          ${packaging}/galt-loader.nsi ${packaging}/wizard.bmp
  COMMENT "Making galt-loader-${GALT_PRODUCT_VERSION}-setup.exe")
add_custom_target(galt_windows_release ALL DEPENDS ${GALT_WINDOWS_ZIP} ${GALT_WINDOWS_SETUP})
