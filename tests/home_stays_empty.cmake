# The tests' own home: with MAKE, made empty before the first test; else, after the last, it must be as
# empty as it was made, and whatever is in it is named (a test that wrote into the home).
if(MAKE)
  file(REMOVE_RECURSE "${HOME}")
  file(MAKE_DIRECTORY "${HOME}")
  return()
endif()
file(GLOB_RECURSE left LIST_DIRECTORIES true RELATIVE "${HOME}" "${HOME}/*")
if(left)
  list(JOIN left "\n  " named)
  message(FATAL_ERROR "a test wrote into the home ${HOME}:\n  ${named}")
endif()
