# Windows resources of Kivra's programs: the icon (rendered from our SVG icons at build time,
# since Windows has no Qt SVG here), the version information and the application manifest.
enable_language(RC)
find_program(KIVRA_RSVG_CONVERT rsvg-convert REQUIRED)
find_program(KIVRA_IMAGEMAGICK NAMES magick convert REQUIRED)  # PNG files into an icon file
set(KIVRA_ICON_SOURCE_DIR ${PROJECT_SOURCE_DIR}/src/common/ui/icons)

# <out> = the PNG of icons/<name>.svg at <size> x <size> pixels, made by a build rule of the
# calling folder in its icons/ (once per folder and size).
function(kivra_icon_png name size out)
  set(png ${CMAKE_CURRENT_BINARY_DIR}/icons/${name}-${size}.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/icons
    COMMAND ${KIVRA_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${KIVRA_ICON_SOURCE_DIR}/${name}.svg
    DEPENDS ${KIVRA_ICON_SOURCE_DIR}/${name}.svg VERBATIM)
  set(${out} ${png} PARENT_SCOPE)
endfunction()

# Gives <target> its icon (from icons/<icon>.svg; 16 and 20 pixels from <icon>'s small design,
# as the windows draw it), its version information and the manifest.
function(kivra_windows_resources target description icon)
  set(small ${icon})
  if(icon STREQUAL "program")
    set(small main-active)
  else()
    string(REPLACE "-large" "" small ${icon})
  endif()
  set(pngs)
  foreach(size 16 20)
    kivra_icon_png(${small} ${size} png)
    list(APPEND pngs ${png})
  endforeach()
  foreach(size 24 32 48 64)
    kivra_icon_png(${icon} ${size} png)
    list(APPEND pngs ${png})
  endforeach()
  kivra_icon_png(${icon} 256 large)
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target}-resources)
  add_custom_command(OUTPUT ${dir}/program.ico
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${KIVRA_IMAGEMAGICK} ${pngs} ${large} ${dir}/program.ico
    DEPENDS ${pngs} ${large} VERBATIM)
  get_target_property(file_name ${target} OUTPUT_NAME)
  if(NOT file_name)
    set(file_name ${target})
  endif()
  set(KIVRA_RC_DESCRIPTION ${description})
  set(KIVRA_RC_FILE ${file_name}${CMAKE_EXECUTABLE_SUFFIX})
  set(KIVRA_RC_ICON ${dir}/program.ico)
  set(KIVRA_RC_MANIFEST ${PROJECT_SOURCE_DIR}/cmake/windows/utf8-codepage.manifest)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/windows/program.rc.in ${dir}/program.rc @ONLY)
  set_source_files_properties(${dir}/program.rc PROPERTIES
    OBJECT_DEPENDS "${dir}/program.ico;${KIVRA_RC_MANIFEST}")
  target_sources(${target} PRIVATE ${dir}/program.rc)
endfunction()
