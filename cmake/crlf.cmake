# Run at install time (in CPack's staging folder) for the Windows package:
# every text file under the folders of TASC_CRLF_DIRS gets CRLF line endings,
# as a Windows author's editor writes them. The Linux package keeps the
# sources' LF. The files are handled as bytes: a quoted variable is expanded
# once, so no ';', '[' or '\' of a file is read as CMake syntax.
foreach(dir IN LISTS TASC_CRLF_DIRS)
  file(GLOB_RECURSE texts "${dir}/*.toml" "${dir}/*.ini" "${dir}/*.csv" "${dir}/*.txt"
                          "${dir}/*.md")
  foreach(text IN LISTS texts)
    file(READ "${text}" content)
    string(REPLACE "\r\n" "\n" content "${content}")
    string(REPLACE "\n" "\r\n" content "${content}")
    file(WRITE "${text}" "${content}")
  endforeach()
endforeach()
