# The Debian package: `cpack -G DEB` in the build folder. Its library dependencies come from
# dpkg-shlibdeps, so they name exactly the Debian packages the executable links against.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME plotvane)
set(CPACK_PACKAGE_VENDOR Plotvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Plotvane <support@plotvane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "DVD rental companion in the tray")
# Debian's extended description: lines of at most 80 characters.
set(CPACK_PACKAGE_DESCRIPTION "Shows the DVDs of a rental queue, the DVDs at home and those recently
returned, read from the member's two personal feeds of the DVD-by-mail
service, and tells when either list changes.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY plotvane)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Links, mails and installers are handed to the desktop through xdg-open.
# libcurl is loaded at its first use, not linked, so the package names it itself.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "xdg-utils, libcurl4 (>= 7.88)")
# On a session with Wayland alone, Qt needs its Wayland platform; the cards' faces of Windows
# have their closest stand-ins in these fonts.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, fonts-dejavu-extra | fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "http://www.plotvane.example/")
set(CPACK_STRIP_FILES ON)
include(CPack)
