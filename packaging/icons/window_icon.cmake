# The window icon's PNG sizes, built into the lumivane executable as Qt resources
# under ":/icons/".
qt_add_resources(lumivane lumivane_window_icon
  PREFIX /icons
  BASE ${CMAKE_CURRENT_LIST_DIR}
  FILES
    ${CMAKE_CURRENT_LIST_DIR}/lumivane-16.png
    ${CMAKE_CURRENT_LIST_DIR}/lumivane-24.png
    ${CMAKE_CURRENT_LIST_DIR}/lumivane-32.png
    ${CMAKE_CURRENT_LIST_DIR}/lumivane-48.png
    ${CMAKE_CURRENT_LIST_DIR}/lumivane-64.png
    ${CMAKE_CURRENT_LIST_DIR}/lumivane-128.png
    ${CMAKE_CURRENT_LIST_DIR}/lumivane-256.png)
