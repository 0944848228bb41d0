# The package that gives the installed program an identity (Windows 10 2004 and
# later), so that Windows 11 shows our commands in its own context menu, and the
# classes of those commands: the one definition for the program's manifest, the
# package manifest, the extension and the installer.
# The publisher must be the subject of the certificate the package is signed with.
set(WAVORY_PACKAGE_NAME "TarnSonelle.Wavory")
set(WAVORY_PACKAGE_PUBLISHER "CN=Tarn Sonelle")
set(WAVORY_PACKAGE_PUBLISHER_DISPLAY_NAME "Tarn Sonelle")
set(WAVORY_PACKAGE_APPLICATION_ID "Wavory")
set(WAVORY_PACKAGE_FILE "Wavory.msix")
set(WAVORY_CONVERT_COMMAND_CLSID "627E4F00-F466-4DA0-B8DA-2202C477C81D")
set(WAVORY_OPTIONS_COMMAND_CLSID "4F0290CC-732B-4685-971E-451D0B67B7B5")
# The extension's file as installed: the package names the one of this tree's bitness.
if(WAVORY_ARCH STREQUAL "x86")
  set(WAVORY_PACKAGE_ARCH "x86")
  set(WAVORY_EXTENSION_FILE "Sonelle.dll")
else()
  set(WAVORY_PACKAGE_ARCH "x64")
  set(WAVORY_EXTENSION_FILE "Sonelle64.dll")
endif()
set(WAVORY_PACKAGE_DIR ${CMAKE_BINARY_DIR}/package)
configure_file(${PROJECT_SOURCE_DIR}/installer/AppxManifest.xml.in ${WAVORY_PACKAGE_DIR}/AppxManifest.xml @ONLY)
