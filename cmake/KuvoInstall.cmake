# What `cmake --install` puts where: the programs in bin/, their data in
# share/kuvo/ (found there through ../share/kuvo from the executable), and what
# a Linux desktop needs to list, start and document them.
include(GNUInstallDirs)

set(KUVO_DATA_INSTALL_DIR ${CMAKE_INSTALL_DATADIR}/kuvo)
set(KUVO_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)

install(TARGETS kuvo kuvo-batch RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The known data files, taken at install time from whatever data/ holds, so a
# file added there later (links.ini) is installed without configuring again.
# The sample pictures are for the demo only.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/ DESTINATION ${KUVO_DATA_INSTALL_DIR}
  FILES_MATCHING
  PATTERN "size.ini" PATTERN "ReadMe.txt" PATTERN "links.ini"
  REGEX "/data/(bk|sy|skin)/"
  PATTERN "samples" EXCLUDE
  REGEX "/\\.[^/]*$" EXCLUDE) # .keep and other hidden files

install(FILES ${KUVO_PACKAGING_DIR}/desktop/kuvo.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${KUVO_PACKAGING_DIR}/metainfo/invalid.kuvo.Kuvo.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

install(FILES ${KUVO_PACKAGING_DIR}/icons/kuvo.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 48 128 256)
  install(FILES ${KUVO_PACKAGING_DIR}/icons/kuvo-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME kuvo.png)
endforeach()

install(FILES ${KUVO_PACKAGING_DIR}/completion/kuvo-batch DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

# Man pages go in compressed, as Debian keeps them.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(man_outputs)
foreach(page kuvo-batch.1 zh_CN/kuvo-batch.1 kuvo.1 zh_CN/kuvo.1)
  set(out ${CMAKE_BINARY_DIR}/man/${page}.gz)
  get_filename_component(out_dir ${out} DIRECTORY)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${out_dir}
    COMMAND ${GZIP_PROGRAM} -9nc ${KUVO_PACKAGING_DIR}/man/${page} > ${out}
    DEPENDS ${KUVO_PACKAGING_DIR}/man/${page} VERBATIM)
  list(APPEND man_outputs ${out})
  get_filename_component(lang_dir ${page} DIRECTORY)
  if(lang_dir)
    set(lang_dir ${lang_dir}/)
  endif()
  install(FILES ${out} DESTINATION ${CMAKE_INSTALL_MANDIR}/${lang_dir}man1)
endforeach()
add_custom_target(kuvo_man_pages ALL DEPENDS ${man_outputs})

install(FILES ${KUVO_PACKAGING_DIR}/debian/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kuvo)
