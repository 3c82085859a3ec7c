# cmake --install: the shared libraries, the public headers, the DDL, the demo host with
# its desktop entry, a CMake package and a pkg-config file; `make package` makes a .deb.
include(CMakePackageConfigHelpers)
set(VMEXP_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/VMEXP)
set(VMEXP_DDL_DIR ${CMAKE_INSTALL_DATADIR}/vmexp/db)

install(TARGETS libvdbglob libvmexp libvmcomponentes EXPORT VMEXPTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS expedientes RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY include/vmexp DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES db/empresa.sql db/vmcomun.sql db/demo.sql db/postgres.sql DESTINATION ${VMEXP_DDL_DIR})
install(FILES src/host/expedientes.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES src/host/expedientes.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

install(EXPORT VMEXPTargets NAMESPACE VMEXP:: DESTINATION ${VMEXP_CMAKE_DIR})
configure_package_config_file(cmake/VMEXPConfig.cmake.in ${CMAKE_CURRENT_BINARY_DIR}/VMEXPConfig.cmake
  INSTALL_DESTINATION ${VMEXP_CMAKE_DIR} PATH_VARS VMEXP_DDL_DIR)
# 1.x hosts keep working with any later 1.y: the soname changes with the major version.
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/VMEXPConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/VMEXPConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/VMEXPConfigVersion.cmake
  DESTINATION ${VMEXP_CMAKE_DIR})

# Relative to the .pc file, so the same file serves any prefix (a .deb installs in /usr).
file(RELATIVE_PATH VMEXP_PC_PREFIJO /prefijo/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefijo)
string(REGEX REPLACE "/$" "" VMEXP_PC_PREFIJO "${VMEXP_PC_PREFIJO}")
configure_file(cmake/vmexp.pc.in ${CMAKE_CURRENT_BINARY_DIR}/vmexp.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/vmexp.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vmexp)
set(CPACK_PACKAGE_VENDOR "VMEXP")
set(CPACK_PACKAGE_CONTACT "VMEXP <soporte@vmexp.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Gestión de expedientes: biblioteca, servicios de base de datos y programa de demostración")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded as plugins, so dpkg-shlibdeps cannot see them: the database drivers and the
# platform plugins (offscreen included, for --screenshots without a display); read as
# data, the Spanish OCR model that scanned documents are read with.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, libqt6sql6-psql, qt6-qpa-plugins, tesseract-ocr-spa")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, xdg-utils, sane-utils")
set(CPACK_STRIP_FILES ON)
include(CPack)
