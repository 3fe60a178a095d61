# cmake -P script: the npm packages of WHAT (default: the WebGPU checks) in DIR/node_modules,
# installed once for each package-lock.json: a stamp in node_modules holds
# the hash of the lock file they were installed from, and while it matches,
# npm does not run. The local npm cache is tried first, then the registry.
# When the packages cannot be had, the reason goes to NOTE (one line), which
# the WebGPU tests print when they skip, and the script still succeeds,
# unless given -DREQUIRED=ON or the environment has CI set (to anything but
# "false"): then it fails with that reason.
#   cmake -DNPM=npm -DDIR=folder-with-package-lock.json -DNOTE=file
#         [-DWHAT=text] [-DREQUIRED=ON] -P npm_install.cmake
file(SHA256 ${DIR}/package-lock.json lock_hash)
set(stamp ${DIR}/node_modules/.zevra-lock-sha256)
if(EXISTS ${stamp})
  file(READ ${stamp} installed_hash)
  if(installed_hash STREQUAL lock_hash)
    file(REMOVE ${NOTE})
    return()
  endif()
endif()

# From the cache alone (no network, fails at once when a package is missing),
# then with the registry, retrying little: an offline machine fails fast.
set(npm_ci ${NPM} ci --prefix ${DIR} --no-audit --no-fund --loglevel=error)
execute_process(COMMAND ${npm_ci} --offline RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
if(NOT rc EQUAL 0)
  execute_process(COMMAND ${npm_ci} --prefer-offline --fetch-retries=1
                          --fetch-retry-mintimeout=1000 --fetch-retry-maxtimeout=2000
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
endif()
if(rc EQUAL 0)
  file(WRITE ${stamp} ${lock_hash})
  file(REMOVE ${NOTE})
  return()
endif()

# npm names the cause in a line "npm error code EAI_AGAIN" (or ECONNREFUSED,
# ENOTFOUND, ETIMEDOUT...).
string(REGEX MATCH "npm (ERR!|error) code ([A-Z_0-9]+)" code "${out}")
set(code "${CMAKE_MATCH_2}")
if(code STREQUAL "")
  set(code "exit status ${rc}")
endif()
if(NOT DEFINED WHAT)
  set(WHAT "the WebGPU checks")
endif()
set(reason "npm ci failed (${code}): the npm packages of ${WHAT} are neither in the npm cache nor reachable; see README.md, Offline machines")
if(REQUIRED OR (DEFINED ENV{CI} AND NOT "$ENV{CI}" STREQUAL "false"))
  message(FATAL_ERROR "${reason}\n${out}")
endif()
file(WRITE ${NOTE} "${reason}\n")
message("${reason}")
