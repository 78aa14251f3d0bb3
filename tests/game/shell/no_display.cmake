# The program's surroundings in the scripts that start it with nobody to answer a box: SDL's dummy video
# driver stands in for a display, no X server is there to show a box on, and its state, saves, trace and
# the sound library's sockets go under the scratch folder DIR, which is made afresh.
macro(vael_without_display DIR SAVES)
  file(REMOVE_RECURSE "${DIR}")
  file(MAKE_DIRECTORY "${DIR}")
  set(ENV{SDL_VIDEODRIVER} dummy)
  unset(ENV{DISPLAY})
  unset(ENV{WAYLAND_DISPLAY})
  set(ENV{XDG_STATE_HOME} "${DIR}/state")
  set(ENV{XDG_DATA_HOME} "${SAVES}")
  set(ENV{VAEL_TRACE} "${DIR}/trace")
  set(ENV{XDG_RUNTIME_DIR} "${DIR}/run")
endmacro()
