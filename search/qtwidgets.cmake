# The Qt widgets of search and navigation: the search key dialog and the go-to dialog.
target_sources(zvl_qt PRIVATE
  ${PROJECT_SOURCE_DIR}/search/mask2.cpp ${PROJECT_SOURCE_DIR}/search/mask2.h
  ${PROJECT_SOURCE_DIR}/dialogs/gotodialog.cpp ${PROJECT_SOURCE_DIR}/dialogs/gotodialog.h
)
