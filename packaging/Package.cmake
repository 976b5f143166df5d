# The Debian package, made by scripts/package.sh (cpack -G DEB) from a
# Release build: stripped programs, files owned by root, Depends computed by
# dpkg-shlibdeps from the programs (Qt 6 Core, Gui with its X11 platform
# plugin, Widgets; ICU; the C++ runtime) plus the fonts the windows draw with.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tallivo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Tallivo <tallivo@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "touch-screen stock-counting workstation")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "An operator scans or types an article code; it is looked up in the\n"
  "catalogue ARTICLE.XML, a large on-screen keypad asks the counted quantity\n"
  "and the quantity is added to the collection, saved to COLLECTION.XML after\n"
  "every change and exported as semicolon-separated text for the back\n"
  "office. The user interface is French.\n"
  "\n"
  "tallivo-packet checks and converts the data files and merges the\n"
  "collections of several counting stations; tallivo-office report compares\n"
  "the expected stock with the counts and lists what to recount.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Font stand-ins of the windows' designed fonts (Calibri, Arial, Segoe UI,
# Tahoma, Segoe Print), found through fontconfig at run time.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "fonts-crosextra-carlito, fonts-liberation2, fonts-open-sans, fonts-dejavu-core, fonts-comic-neue")
# Wayland sessions; without it Qt uses X11 through XWayland.
# Qt's own texts in French (the export's file dialog); without them the
# workstation shows Qt's English texts.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, qt6-translations-l10n")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
