# `release` target: the Windows programs stripped of their symbols (the build folder
# keeps its copies with symbols, for debugging), the README and a version file, zipped
# as build/release/Rowdeal-<version>-win64.zip.
if(NOT WIN32 OR NOT TARGET Rowdeal)
  return()
endif()
set(release_name Rowdeal-${PROJECT_VERSION}-win64)
set(release_dir ${PROJECT_SOURCE_DIR}/build/release/${release_name})
set(release_zip ${PROJECT_SOURCE_DIR}/build/release/${release_name}.zip)
set(release_version ${CMAKE_BINARY_DIR}/VERSION.txt)
file(WRITE ${release_version} "Rowdeal ${PROJECT_VERSION}\r\n")
file(MAKE_DIRECTORY ${PROJECT_SOURCE_DIR}/build/release)
add_custom_target(release
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${release_dir} ${release_zip}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${release_dir}
  COMMAND ${CMAKE_STRIP} -o ${release_dir}/Rowdeal.exe $<TARGET_FILE:Rowdeal>
  COMMAND ${CMAKE_STRIP} -o ${release_dir}/rowdeal-split.exe $<TARGET_FILE:rowdeal-split>
  COMMAND ${CMAKE_STRIP} -o ${release_dir}/rowdeal-merge.exe $<TARGET_FILE:rowdeal-merge>
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/README.md ${release_dir}/README.md
  COMMAND ${CMAKE_COMMAND} -E copy ${release_version} ${release_dir}/VERSION.txt
  COMMAND ${CMAKE_COMMAND} -E tar cf ${release_zip} --format=zip ${release_name}
  COMMAND ${CMAKE_COMMAND} -E echo "release: ${release_zip}"
  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}/build/release
  DEPENDS Rowdeal rowdeal-split rowdeal-merge
  VERBATIM)
