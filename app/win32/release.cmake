# The release archive for Windows (cpack -G ZIP in the build folder): one
# program folder holding kerbcall.exe, its sound folder, the demo note file,
# kerbcall-cli.exe, the stand-in simulator zrl.exe and a README.txt.
install(TARGETS kerbcall kerbcall-cli RUNTIME DESTINATION .)
install(TARGETS kerbcall-sim RUNTIME DESTINATION "Stand-in simulator")
install(DIRECTORY "${PROJECT_SOURCE_DIR}/sounds/Zuda Vodaz Sounds" DESTINATION .)
install(FILES "${PROJECT_SOURCE_DIR}/demo/Demo.ini" DESTINATION .)
configure_file("${PROJECT_SOURCE_DIR}/packaging/windows/README.txt.in" "${CMAKE_CURRENT_BINARY_DIR}/README.txt"
               @ONLY NEWLINE_STYLE CRLF)
install(FILES "${CMAKE_CURRENT_BINARY_DIR}/README.txt" DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Kerbcall)
set(CPACK_PACKAGE_VENDOR "Kerbcall")
set(CPACK_SYSTEM_NAME win32)
set(CPACK_STRIP_FILES TRUE)
include(CPack)
