include(CMakePackageConfigHelpers)
set(config_dir ${CMAKE_INSTALL_LIBDIR}/cmake/vxshmd12u)
install(EXPORT ${SHMD_EXPORT} NAMESPACE vxshmd12u:: DESTINATION ${config_dir})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/vxshmd12uConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/vxshmd12uConfig.cmake INSTALL_DESTINATION ${config_dir})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/vxshmd12uConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/vxshmd12uConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/vxshmd12uConfigVersion.cmake DESTINATION ${config_dir})
