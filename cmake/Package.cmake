# The Debian package: `cpack -G DEB` in the build folder makes varndel_<version>_amd64.deb.
set(CPACK_PACKAGE_NAME varndel)
set(CPACK_PACKAGE_VENDOR "Proyecto Varndel")
set(CPACK_PACKAGE_CONTACT "Proyecto Varndel <varndel@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Guarda por lotes las capturas de pantalla de una carpeta vigilada")
set(CPACK_PACKAGE_DESCRIPTION
  "Varndel vigila una carpeta y mueve sus imágenes, lote a lote, a carpetas nuevas con un
prefijo y la fecha y la hora del guardado. Un lote se guarda entero o no se guarda, y un
archivo que todavía se está escribiendo espera a que se cierre. Incluye un visor de
imágenes PCX. La interfaz está en español.")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own Spanish texts, and the pictures folder the first start puts its folders in.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, xdg-user-dirs")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
