# What each package holds (read by cpack for every generator): the
# components listed, packed together.
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
if(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr/lib/kerbcall)
  set(CPACK_COMPONENTS_ALL program desktop)
elseif(CPACK_GENERATOR STREQUAL "TGZ")
  # One folder, kerbcall-VERSION/, that runs wherever it is unpacked.
  set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
  set(CPACK_PACKAGE_FILE_NAME "kerbcall-${CPACK_PACKAGE_VERSION}")
  set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
  set(CPACK_COMPONENTS_ALL program portable)
endif()
