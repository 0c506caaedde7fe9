# The Debian package: tallwick_<version>_amd64.deb with the two programs in /usr/bin, the
# delivered files in /usr/share/tallwick, the desktop entry and the icon theme's icons.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tallwick)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Marrowind)
set(CPACK_PACKAGE_CONTACT "Marrowind <support@tallwick.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Annual statistical survey of trade unions: entry, checks, summaries and reports")
set(CPACK_PACKAGE_DESCRIPTION
    "Tallwick collects, checks, sums up and reports the 2018 annual statistical survey of the\n\
unions under a trade union federation, and exchanges the data with other installations.\n\
It brings a desktop program (tallwick) and a command-line front end (tallwick-cli).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://tallwick.example.org)
# The libraries come from dpkg-shlibdeps; what the programs load or read at run time without
# linking it is named here: the platform plugins, Qt's own Chinese texts and a CJK font.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, qt6-translations-l10n, fonts-wqy-microhei | fonts-noto-cjk")
# Workbooks and printed reports are handed to the desktop's viewer through xdg-open; a
# spreadsheet program to show them is only suggested, since most desktops bring one.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libreoffice-calc | gnumeric")

include(CPack)
