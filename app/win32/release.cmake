# The release archive for Windows (cpack -G ZIP in the build folder): one
# program folder holding kerbcall.exe, its sound folder, the demo note file,
# kerbcall-cli.exe and the stand-in simulator zrl.exe.
install(TARGETS kerbcall kerbcall-cli RUNTIME DESTINATION .)
install(TARGETS kerbcall-sim RUNTIME DESTINATION "Stand-in simulator")
install(DIRECTORY "${PROJECT_SOURCE_DIR}/sounds/Zuda Vodaz Sounds" DESTINATION .)
install(FILES "${PROJECT_SOURCE_DIR}/demo/Demo.ini" DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Kerbcall)
set(CPACK_PACKAGE_VENDOR "Kerbcall")
set(CPACK_SYSTEM_NAME win32)
set(CPACK_STRIP_FILES TRUE)
include(CPack)
