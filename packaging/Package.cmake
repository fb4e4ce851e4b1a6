# What an installation holds besides the programs, and the Debian package made of it:
#   cmake --build build --target package   ->  build/kurvimat_<version>~deb<N>u1_<arch>.deb
# for the Debian release N it is built on (packaging/make-packages makes one for each release).
# The programs' own install rule is in src/app. Included from the top-level CMakeLists.txt.

set(KURVIMAT_APP_ID "de.kurvimat.Kurvimat" CACHE STRING "AppStream component id")
set(KURVIMAT_HOMEPAGE "https://kurvimat.de" CACHE STRING
    "Project home page; its /screenshots/ holds the pictures the AppStream data names")
set(KURVIMAT_MAINTAINER "Kurvimat developers <kurvimat@example.org>" CACHE STRING
    "Maintainer field of the Debian package")

set(pkg_src ${PROJECT_SOURCE_DIR}/packaging)
set(pkg_out ${PROJECT_BINARY_DIR}/packaging)
include(GNUInstallDirs)

# Icons: the drawing, and PNGs rendered from it for menus that take no SVG.
find_program(RSVG_CONVERT rsvg-convert)
if(NOT RSVG_CONVERT)
  message(FATAL_ERROR "rsvg-convert renders the icon: apt-get install librsvg2-bin")
endif()
set(icon_outputs)
foreach(size 48 128 256)
  set(png ${pkg_out}/icons/${size}x${size}/kurvimat.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${pkg_out}/icons/${size}x${size}
    COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${pkg_src}/kurvimat.svg
    DEPENDS ${pkg_src}/kurvimat.svg VERBATIM)
  list(APPEND icon_outputs ${png})
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${pkg_src}/kurvimat.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# Manual pages (English in man1, German in de/man1) and the changelog, compressed as Debian
# keeps them; -n leaves the time out, so the same sources give the same package.
set(gz_outputs)
function(kurvimat_gzip source output)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${pkg_out}
    COMMAND gzip -9nc ${source} > ${output}
    DEPENDS ${source} VERBATIM)
  set(gz_outputs ${gz_outputs} ${output} PARENT_SCOPE)
endfunction()
kurvimat_gzip(${pkg_src}/kurvimat.1 ${pkg_out}/man/kurvimat.1.gz)
kurvimat_gzip(${pkg_src}/kurvimat.de.1 ${pkg_out}/man/de/kurvimat.1.gz)
# Named as Debian names backports: the release a package was built for is in its version, and
# the package built on Debian 13 is newer than the one built on 12. Its changelog begins with
# that version, dated as the release it is made of.
file(STRINGS /etc/os-release os_version_id REGEX "^VERSION_ID=")
string(REGEX REPLACE "^VERSION_ID=\"?([0-9]+).*" "\\1" os_version_id "${os_version_id}")
file(STRINGS /etc/os-release os_codename REGEX "^VERSION_CODENAME=")
string(REGEX REPLACE "^VERSION_CODENAME=\"?([a-z]+).*" "\\1" os_codename "${os_codename}")
set(KURVIMAT_PACKAGE_VERSION ${PROJECT_VERSION})
if(os_version_id MATCHES "^[0-9]+$" AND os_codename MATCHES "^[a-z]+$")
  set(KURVIMAT_PACKAGE_VERSION ${PROJECT_VERSION}~deb${os_version_id}u1)
  # Signed by the same maintainer an hour after the release's own entry: a rebuild is newer.
  file(STRINGS ${pkg_src}/changelog changelog_signature REGEX "^ -- ")
  list(GET changelog_signature 0 changelog_signature)
  string(REGEX REPLACE "^( -- .*>  )(.*)$" "\\1" changelog_maintainer "${changelog_signature}")
  string(REGEX REPLACE "^( -- .*>  )(.*)$" "\\2" changelog_date "${changelog_signature}")
  execute_process(COMMAND date -u -R -d "${changelog_date} + 1 hour"
                  OUTPUT_VARIABLE changelog_date OUTPUT_STRIP_TRAILING_WHITESPACE
                  COMMAND_ERROR_IS_FATAL ANY)
  set(changelog_date "${changelog_maintainer}${changelog_date}")
  file(READ ${pkg_src}/changelog changelog)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${pkg_src}/changelog)
  file(CONFIGURE OUTPUT ${pkg_out}/changelog CONTENT
"kurvimat (${KURVIMAT_PACKAGE_VERSION}) ${os_codename}; urgency=medium

  * Built for Debian ${os_version_id}.

${changelog_date}

${changelog}" @ONLY)
  kurvimat_gzip(${pkg_out}/changelog ${pkg_out}/changelog.gz)
else()
  kurvimat_gzip(${pkg_src}/changelog ${pkg_out}/changelog.gz)
endif()
add_custom_target(kurvimat_package_files ALL DEPENDS ${icon_outputs} ${gz_outputs})
# One page describes both programs; kurvimat-demo's page is a link to it.
foreach(dir man man/de)
  file(MAKE_DIRECTORY ${pkg_out}/${dir})
  file(CREATE_LINK kurvimat.1.gz ${pkg_out}/${dir}/kurvimat-demo.1.gz SYMBOLIC)
endforeach()
install(FILES ${pkg_out}/man/kurvimat.1.gz ${pkg_out}/man/kurvimat-demo.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${pkg_out}/man/de/kurvimat.1.gz ${pkg_out}/man/de/kurvimat-demo.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/de/man1)
install(FILES ${pkg_src}/copyright ${pkg_out}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kurvimat)

configure_file(${pkg_src}/kurvimat.metainfo.xml.in
               ${pkg_out}/${KURVIMAT_APP_ID}.metainfo.xml @ONLY)
install(FILES ${pkg_out}/${KURVIMAT_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${pkg_src}/kurvimat.desktop ${pkg_src}/kurvimat-demo.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${pkg_src}/kurvimat-mime.xml RENAME kurvimat.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
# udev looks in lib/udev/rules.d under /usr and /usr/local alike, never in a multiarch folder.
install(FILES ${pkg_src}/70-kurvimat.rules DESTINATION lib/udev/rules.d)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kurvimat)
set(CPACK_PACKAGE_VENDOR "Kurvimat developers")
set(CPACK_PACKAGE_VERSION ${KURVIMAT_PACKAGE_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${KURVIMAT_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${KURVIMAT_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Not libraries, so dpkg-shlibdeps cannot see them: the window's "Arial" is Liberation Sans, and
# Qt's own German texts (message box buttons, file dialogs) come from the Qt translations.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation, qt6-translations-l10n")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "two-channel USB oscilloscope and data logger for school labs")
set(CPACK_PACKAGE_DESCRIPTION "Kurvimat is the program of a small two-channel USB storage oscilloscope and
data logger for physics and technology lessons. It records sweeps of up to
10000 points at intervals from 2 ms to 60 s, turns the raw readings into
physical quantities through formulas the user writes, and draws them as an
oscillogram or one against the other, with cursors, curve fits and data
exchange as tab-separated text. The window is in German, or in English
where the system language is English.

kurvimat-demo is the same program with a simulated instrument, to try
everything without hardware. A udev rule lets the user logged in at the
computer open the instrument, and no other device.")
include(CPack)
