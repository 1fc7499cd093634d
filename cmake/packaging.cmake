# What a user downloads, made by CPack from the build: a .deb off Windows, a zip of the two
# programs and their README.TXT for Windows.
set(CPACK_PACKAGE_NAME vantrel-edit-98)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Vantrel Edit 98 authors")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "show and edit the registered owner, organization, product ID and key")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
if(WIN32)
    set(CPACK_GENERATOR ZIP)
    if(VANTREL_WINDOWS_98)
        set(CPACK_PACKAGE_FILE_NAME vantrel-edit-98-${PROJECT_VERSION}-windows-x86)
    else()
        set(CPACK_PACKAGE_FILE_NAME vantrel-edit-98-${PROJECT_VERSION}-windows-x64)
    endif()
else()
    set(CPACK_GENERATOR DEB)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Vantrel Edit 98 authors <vantrel-edit-98@users.noreply.invalid>")
    set(CPACK_DEBIAN_PACKAGE_SECTION utils)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
        "Vantrel Edit 98 shows the registration information that Windows keeps in its
registry (the registered owner, the registered organization, the product ID and
the product key) and lets it be changed in one small window. Off Windows the
registry is a store of the program's own, one SQLite file that behaves as the
Windows registry does; the command-line tool vantrel-reg queries and changes it
with the commands of the Windows reg tool.")
    # The libraries the programs link come from dpkg-shlibdeps; libblkid and libhivex, which
    # they load only when a volume is asked about or a hive is opened, are named here.
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libblkid1, libhivex0")
    # The editor's packed relative relocations need glibc 2.36, a version no symbol it binds
    # names, so dpkg-shlibdeps cannot find it.
    if(VANTREL_PACKED_RELOCATIONS)
        string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", libc6 (>= 2.36)")
    endif()
endif()
include(CPack)
