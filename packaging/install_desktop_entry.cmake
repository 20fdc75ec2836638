# Run by `cmake --install`: writes the menu entry with Path= set to the data directory
# under the prefix being installed to, and installs it into the applications directory.
# The caller sets VYRTEL_DESKTOP_TEMPLATE, VYRTEL_DATA_SUBDIR, VYRTEL_APPLICATIONS_SUBDIR
# and VYRTEL_SCRATCH_DIR.

cmake_path(ABSOLUTE_PATH VYRTEL_DATA_SUBDIR BASE_DIRECTORY "${CMAKE_INSTALL_PREFIX}"
           NORMALIZE OUTPUT_VARIABLE VYRTEL_DATA_DIR)
cmake_path(ABSOLUTE_PATH VYRTEL_APPLICATIONS_SUBDIR BASE_DIRECTORY "${CMAKE_INSTALL_PREFIX}"
           NORMALIZE OUTPUT_VARIABLE applications_dir)

# Installs from one build tree may run side by side (the tests do), each with a prefix of
# its own, so each writes its copy in a folder of its own.
string(RANDOM LENGTH 12 scratch_tag)
set(scratch "${VYRTEL_SCRATCH_DIR}/desktop-entry-${scratch_tag}")
cmake_path(GET VYRTEL_DESKTOP_TEMPLATE STEM LAST_ONLY entry_name)
configure_file("${VYRTEL_DESKTOP_TEMPLATE}" "${scratch}/${entry_name}" @ONLY)
file(INSTALL DESTINATION "${applications_dir}" TYPE FILE FILES "${scratch}/${entry_name}")
file(REMOVE_RECURSE "${scratch}")
