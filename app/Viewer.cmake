# The widgets layer (window classes, grid models, images) and the kvdviewer program.
# Included from app/CMakeLists.txt.

set(KVD_DOCUMENT_DIR ${PROJECT_SOURCE_DIR}/document)

add_library(kvdwidgets STATIC
  ${KVD_DOCUMENT_DIR}/DataTableModel.cpp ${KVD_DOCUMENT_DIR}/DataTableModel.h
  ${KVD_DOCUMENT_DIR}/DocumentExplorer.cpp ${KVD_DOCUMENT_DIR}/DocumentExplorer.h
  ${KVD_DOCUMENT_DIR}/FindBar.cpp ${KVD_DOCUMENT_DIR}/FindBar.h
  ${KVD_DOCUMENT_DIR}/GridTextWidth.cpp ${KVD_DOCUMENT_DIR}/GridTextWidth.h
  ${KVD_DOCUMENT_DIR}/HeaderEditorText.cpp ${KVD_DOCUMENT_DIR}/HeaderEditorText.h
  ${KVD_DOCUMENT_DIR}/HistogramChart.cpp ${KVD_DOCUMENT_DIR}/HistogramChart.h
  ${KVD_DOCUMENT_DIR}/HistogramWindow.cpp ${KVD_DOCUMENT_DIR}/HistogramWindow.h
  ${KVD_DOCUMENT_DIR}/ReportView.cpp ${KVD_DOCUMENT_DIR}/ReportView.h
  ${KVD_DOCUMENT_DIR}/StatisticsTableModel.cpp ${KVD_DOCUMENT_DIR}/StatisticsTableModel.h
  ${KVD_DOCUMENT_DIR}/TextGrid.cpp ${KVD_DOCUMENT_DIR}/TextGrid.h
  ${KVD_DOCUMENT_DIR}/TextTableModel.cpp ${KVD_DOCUMENT_DIR}/TextTableModel.h
  ${KVD_DOCUMENT_DIR}/TMDIChild.cpp ${KVD_DOCUMENT_DIR}/TMDIChild.h
  ApplicationFonts.cpp ApplicationFonts.h
  Dialogs.cpp Dialogs.h
  ErrorText.cpp ErrorText.h
  ImageList.cpp ImageList.h
  LoadIndicator.cpp LoadIndicator.h
  LocalPath.cpp LocalPath.h
  OpenDialog.cpp OpenDialog.h
  TAboutBox.cpp TAboutBox.h
  TerminationSignal.cpp TerminationSignal.h
  TApplication.cpp TApplication.h
  TMainForm.cpp TMainForm.h
  TileLayout.cpp TileLayout.h
)
set_target_properties(kvdwidgets PROPERTIES AUTOMOC ON)
target_include_directories(kvdwidgets PUBLIC ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(kvdwidgets PUBLIC kvdcore Qt6::Gui Qt6::Widgets PRIVATE Qt6::Charts Qt6::Svg kvd_warnings)
qt_add_resources(kvdwidgets kvdviewer_images
  PREFIX "/kvdviewer"
  BASE images
  FILES
    images/open.svg
    images/close.svg
    images/quit.svg
    images/cascade.svg
    images/tile_horizontal.svg
    images/tile_vertical.svg
    images/about.svg
    images/save.svg
    images/picture.svg
    images/kvdviewer.svg
)

qt_add_executable(kvdviewer main.cpp)
target_link_libraries(kvdviewer PRIVATE kvdwidgets kvd_warnings)

include(GNUInstallDirs)
install(TARGETS kvdviewer RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES desktop/kvdviewer.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES desktop/kvdviewer-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES images/kvdviewer.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
