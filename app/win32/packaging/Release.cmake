# The Windows release, in the build's top folder: the two programs stripped
# with the Russian read-me, as galt-loader-0211-win64.zip (unpack anywhere,
# nothing to install), as galt-loader-0211-setup.exe (an NSIS installer, for
# one user or, with /ALLUSERS, for all) and as galt-loader-0211-x64.msi (a
# Windows Installer package for deployment tools, per machine). Included from
# app/win32/CMakeLists.txt, where the icon is made; the facts (name,
# publisher, versions, upgrade code) are app/WindowsVersion.cmake's.
find_program(GALT_MAKENSIS makensis REQUIRED)
find_program(GALT_WIXL wixl REQUIRED)
find_program(GALT_MSIBUILD msibuild REQUIRED)
set(stage ${CMAKE_CURRENT_BINARY_DIR}/stage)
set(packaging ${CMAKE_CURRENT_SOURCE_DIR}/packaging)

# Signed when a key is given (tools/make-windows-release.sh --sign or
# --sign-pkcs11): both programs before they are zipped and packed, the
# installer, the uninstaller and its helper, and the MSI (packaging/sign.sh;
# the password or PIN is read from the environment when the build runs, and
# kept nowhere). A signature is timestamped by GALT_SIGN_TIMESTAMP's server,
# or, with "none", knowingly not.
set(GALT_SIGN_CERT "" CACHE FILEPATH "PKCS#12 file to sign the Windows release with")
set(GALT_SIGN_PKCS11 "" CACHE STRING "PKCS#11 URI of the key (and certificate) to sign the Windows release with")
set(GALT_SIGN_PKCS11_MODULE "" CACHE FILEPATH "The token's PKCS#11 module")
set(GALT_SIGN_TIMESTAMP "" CACHE STRING "Timestamp server's URL for the signatures, or none")
set(sign_command)
if(GALT_SIGN_CERT OR GALT_SIGN_PKCS11)
  find_program(GALT_OSSLSIGNCODE osslsigncode REQUIRED)
  if(GALT_SIGN_CERT AND GALT_SIGN_PKCS11)
    message(FATAL_ERROR "GALT_SIGN_CERT and GALT_SIGN_PKCS11: one key signs")
  endif()
  if(NOT GALT_SIGN_TIMESTAMP)
    message(FATAL_ERROR "GALT_SIGN_TIMESTAMP: a server's URL, or none for a signature that ends with its certificate")
  endif()
  # One command for every file, as makensis and make-msi.sh call it; each
  # word in single quotes (a PKCS#11 URI holds ";", which CMake would split).
  function(galt_shell_word out value)
    string(REPLACE "'" "'\\''" value "${value}")
    set(${out} "'${value}'" PARENT_SCOPE)
  endfunction()
  galt_shell_word(command "${packaging}/sign.sh")
  string(APPEND command " \"$1\"")
  if(GALT_SIGN_CERT)
    galt_shell_word(word "${GALT_SIGN_CERT}")
    string(APPEND command " --pkcs12 ${word}")
  else()
    galt_shell_word(word "${GALT_SIGN_PKCS11}")
    galt_shell_word(module "${GALT_SIGN_PKCS11_MODULE}")
    string(APPEND command " --pkcs11 ${word} --pkcs11-module ${module}")
  endif()
  if(GALT_SIGN_TIMESTAMP STREQUAL "none")
    string(APPEND command " --no-timestamp")
  else()
    galt_shell_word(word "${GALT_SIGN_TIMESTAMP}")
    string(APPEND command " --timestamp ${word}")
  endif()
  set(sign_command ${CMAKE_CURRENT_BINARY_DIR}/sign-release.sh)
  file(CONFIGURE OUTPUT ${sign_command} CONTENT "#!/bin/sh\nexec ${command}\n" @ONLY)
  file(CHMOD ${sign_command} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE)
endif()
# Everything is made again when signing changes.
set(signing ${CMAKE_CURRENT_BINARY_DIR}/signing.txt)
file(CONFIGURE OUTPUT ${signing}
     CONTENT "${GALT_SIGN_CERT} ${GALT_SIGN_PKCS11} ${GALT_SIGN_PKCS11_MODULE} ${GALT_SIGN_TIMESTAMP}\n" @ONLY)
set(sign_programs)
if(sign_command)
  foreach(exe galt-loader.exe galt-loader-cli.exe)
    list(APPEND sign_programs COMMAND ${sign_command} ${stage}/${exe})
  endforeach()
endif()

# The product's name and publisher for both NSIS scripts, as the programs'
# version resources give them.
set(GALT_NSIS_FACTS ${CMAKE_CURRENT_BINARY_DIR}/galt-facts.nsh CACHE INTERNAL "")
file(CONFIGURE OUTPUT ${GALT_NSIS_FACTS}
     CONTENT "!define PRODUCT \"@GALT_PRODUCT_NAME@\"\n!define PUBLISHER \"@GALT_PUBLISHER@\"\n" @ONLY)
set(GALT_WIX_SOURCE ${CMAKE_CURRENT_BINARY_DIR}/galt-loader.wxs CACHE INTERNAL "")
configure_file(${packaging}/galt-loader.wxs.in ${GALT_WIX_SOURCE} @ONLY)

# Windows' editors read the read-me best with CRLF and the byte-order mark
# it starts with.
configure_file(${packaging}/readme.txt ${stage}/readme.txt @ONLY NEWLINE_STYLE CRLF)
add_custom_command(OUTPUT ${stage}/galt-loader.exe ${stage}/galt-loader-cli.exe
  COMMAND ${CMAKE_STRIP} -o ${stage}/galt-loader.exe $<TARGET_FILE:galt-loader>
  COMMAND ${CMAKE_STRIP} -o ${stage}/galt-loader-cli.exe $<TARGET_FILE:galt-loader-cli>
  ${sign_programs}
  DEPENDS galt-loader galt-loader-cli ${signing} ${GALT_SIGN_CERT}
  COMMENT "Stripping the Windows programs")
set(GALT_WINDOWS_ZIP ${CMAKE_BINARY_DIR}/galt-loader-${GALT_PRODUCT_VERSION}-win64.zip)
add_custom_command(OUTPUT ${GALT_WINDOWS_ZIP}
  COMMAND ${CMAKE_COMMAND} -E rm -f ${GALT_WINDOWS_ZIP}
  COMMAND ${CMAKE_COMMAND} -E tar cf ${GALT_WINDOWS_ZIP} --format=zip
          galt-loader.exe galt-loader-cli.exe readme.txt
  WORKING_DIRECTORY ${stage}
  DEPENDS ${stage}/galt-loader.exe ${stage}/galt-loader-cli.exe ${stage}/readme.txt
  COMMENT "Making galt-loader-${GALT_PRODUCT_VERSION}-win64.zip")

# What galt_windows_installers needs wherever it is called from.
set(GALT_RELEASE_STAGE ${stage} CACHE INTERNAL "")
set(GALT_RELEASE_PACKAGING ${packaging} CACHE INTERNAL "")
set(GALT_RELEASE_ICON ${GALT_ICON} CACHE INTERNAL "")
set(GALT_RELEASE_SIGN "${sign_command}" CACHE INTERNAL "")
set(GALT_RELEASE_SIGNING ${signing} CACHE INTERNAL "")
set(GALT_RELEASE_PRODUCT ${GALT_PRODUCT_NAME} CACHE INTERNAL "")

# The NSIS installer (with its uninstaller) and the MSI of the staged
# programs, stating VERSION (0211), FILE_VERSION (2.11.0.0) and MSI_VERSION
# (2.11.0), into SETUP and MSI; the tests make an older pair too.
function(galt_windows_installers version file_version msi_version setup msi)
  set(stage ${GALT_RELEASE_STAGE})
  set(packaging ${GALT_RELEASE_PACKAGING})
  set(sign)
  if(GALT_RELEASE_SIGN)
    set(sign -DSIGN=${GALT_RELEASE_SIGN})
  endif()
  set(uninstaller ${CMAKE_CURRENT_BINARY_DIR}/galt-loader-${version}-uninstall.exe)
  set(defines -DVERSION=${version} -DFILE_VERSION=${file_version} -DFACTS=${GALT_NSIS_FACTS}
      -DICON=${GALT_RELEASE_ICON} ${sign})
  set(depends ${stage}/galt-loader.exe ${stage}/galt-loader-cli.exe ${stage}/readme.txt ${GALT_RELEASE_ICON}
      ${GALT_NSIS_FACTS} ${packaging}/galt-loader-common.nsh ${packaging}/wizard.bmp ${GALT_RELEASE_SIGNING})
  add_custom_command(OUTPUT ${uninstaller}
    COMMAND ${GALT_MAKENSIS} -V2 -WX ${defines} -DOUTFILE=${uninstaller} ${packaging}/galt-loader-uninstall.nsi
    DEPENDS ${depends} ${packaging}/galt-loader-uninstall.nsi
    COMMENT "Making the uninstaller of ${version}" VERBATIM)
  add_custom_command(OUTPUT ${setup}
    COMMAND ${GALT_MAKENSIS} -V2 -WX ${defines} -DSTAGE=${stage} -DUNINSTALLER=${uninstaller} -DOUTFILE=${setup}
            ${packaging}/galt-loader.nsi
    DEPENDS ${depends} ${uninstaller} ${packaging}/galt-loader.nsi
    COMMENT "Making galt-loader-${version}-setup.exe" VERBATIM)
  add_custom_command(OUTPUT ${msi}
    COMMAND ${packaging}/make-msi.sh ${GALT_WIX_SOURCE} ${msi} ${msi_version} ${version} ${GALT_RELEASE_PRODUCT}
            ${stage} ${GALT_RELEASE_ICON} ${GALT_RELEASE_SIGN}
    DEPENDS ${depends} ${GALT_WIX_SOURCE} ${packaging}/make-msi.sh
    COMMENT "Making galt-loader-${version}-x64.msi" VERBATIM)
endfunction()

# Known to the tests, which install them under Wine.
set(GALT_WINDOWS_SETUP ${CMAKE_BINARY_DIR}/galt-loader-${GALT_PRODUCT_VERSION}-setup.exe CACHE INTERNAL "")
set(GALT_WINDOWS_MSI ${CMAKE_BINARY_DIR}/galt-loader-${GALT_PRODUCT_VERSION}-x64.msi CACHE INTERNAL "")
galt_windows_installers(${GALT_PRODUCT_VERSION} ${GALT_FILE_VERSION_DOTS} ${GALT_MSI_VERSION}
                        ${GALT_WINDOWS_SETUP} ${GALT_WINDOWS_MSI})
add_custom_target(galt_windows_release ALL DEPENDS ${GALT_WINDOWS_ZIP} ${GALT_WINDOWS_SETUP} ${GALT_WINDOWS_MSI})
