# The publisher's certificate chain, checked at configure time and turned into what the build
# embeds: ${YOL_GENERATED_DIR}/RootCertificates.rc (the "ROOTC" resource, ID 1, language neutral)
# and ${YOL_GENERATED_DIR}/OutdatedRootSerial.h (the outdated certificate's serial, little-endian).
# Inputs: YOL_PUBLISHER_CERTS (DER PKCS#7, certificates only) and YOL_OUTDATED_ROOT_SERIAL (hex as
# openssl prints it; empty: the serial of the bundle's certificate that is not self-signed).
set(YOL_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
file(MAKE_DIRECTORY ${YOL_GENERATED_DIR})
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${YOL_PUBLISHER_CERTS})

find_program(YOL_OPENSSL openssl REQUIRED)
if(NOT EXISTS "${YOL_PUBLISHER_CERTS}")
  message(FATAL_ERROR "YOL_PUBLISHER_CERTS: no file ${YOL_PUBLISHER_CERTS}")
endif()
execute_process(COMMAND ${YOL_OPENSSL} pkcs7 -inform DER -in ${YOL_PUBLISHER_CERTS} -print_certs
                OUTPUT_VARIABLE yol_bundle_pem ERROR_VARIABLE yol_bundle_error
                RESULT_VARIABLE yol_bundle_result)
if(NOT yol_bundle_result EQUAL 0)
  message(FATAL_ERROR "YOL_PUBLISHER_CERTS: ${YOL_PUBLISHER_CERTS} is not a DER PKCS#7 bundle "
                      "(make one with: openssl crl2pkcs7 -nocrl -certfile chain.pem -outform DER)")
endif()
string(REGEX MATCHALL "-----BEGIN CERTIFICATE-----[^-]+-----END CERTIFICATE-----" yol_bundle_certs
       "${yol_bundle_pem}")
list(LENGTH yol_bundle_certs yol_bundle_count)
if(yol_bundle_count EQUAL 0)
  message(FATAL_ERROR "YOL_PUBLISHER_CERTS: ${YOL_PUBLISHER_CERTS} holds no certificate")
endif()

set(yol_serial "${YOL_OUTDATED_ROOT_SERIAL}")
if(yol_serial STREQUAL "")
  set(yol_index 0)
  foreach(yol_cert IN LISTS yol_bundle_certs)
    set(yol_cert_file ${YOL_GENERATED_DIR}/bundle-${yol_index}.pem)
    math(EXPR yol_index "${yol_index} + 1")
    file(WRITE ${yol_cert_file} "${yol_cert}\n")
    execute_process(COMMAND ${YOL_OPENSSL} x509 -in ${yol_cert_file} -noout -serial
                    OUTPUT_VARIABLE yol_cert_serial OUTPUT_STRIP_TRAILING_WHITESPACE)
    execute_process(COMMAND ${YOL_OPENSSL} x509 -in ${yol_cert_file} -noout -subject -nameopt RFC2253
                    OUTPUT_VARIABLE yol_cert_subject OUTPUT_STRIP_TRAILING_WHITESPACE)
    execute_process(COMMAND ${YOL_OPENSSL} x509 -in ${yol_cert_file} -noout -issuer -nameopt RFC2253
                    OUTPUT_VARIABLE yol_cert_issuer OUTPUT_STRIP_TRAILING_WHITESPACE)
    file(REMOVE ${yol_cert_file})
    string(REGEX REPLACE "^subject=" "" yol_cert_subject "${yol_cert_subject}")
    string(REGEX REPLACE "^issuer=" "" yol_cert_issuer "${yol_cert_issuer}")
    if(NOT yol_cert_subject STREQUAL yol_cert_issuer)
      string(REGEX REPLACE "^serial=" "" yol_serial "${yol_cert_serial}")
      break()
    endif()
  endforeach()
  if(yol_serial STREQUAL "")
    message(FATAL_ERROR "YOL_PUBLISHER_CERTS: every certificate of ${YOL_PUBLISHER_CERTS} is "
                        "self-signed; set YOL_OUTDATED_ROOT_SERIAL")
  endif()
endif()
if(NOT yol_serial MATCHES "^[0-9A-Fa-f]+$")
  message(FATAL_ERROR "YOL_OUTDATED_ROOT_SERIAL: '${yol_serial}' is not a hex serial")
endif()
string(LENGTH "${yol_serial}" yol_serial_length)
math(EXPR yol_odd "${yol_serial_length} % 2")
if(yol_odd)
  set(yol_serial "0${yol_serial}")
  math(EXPR yol_serial_length "${yol_serial_length} + 1")
endif()
# openssl prints the most significant byte first; the comparison wants the least significant first.
set(yol_serial_bytes "")
math(EXPR yol_last "${yol_serial_length} - 2")
foreach(yol_at RANGE ${yol_last} 0 -2)
  string(SUBSTRING "${yol_serial}" ${yol_at} 2 yol_byte)
  string(APPEND yol_serial_bytes "0x${yol_byte}, ")
endforeach()
string(REGEX REPLACE ", $" "" yol_serial_bytes "${yol_serial_bytes}")
message(STATUS "Publisher certificates: ${YOL_PUBLISHER_CERTS} (${yol_bundle_count}), "
               "outdated root serial ${yol_serial}")

file(CONFIGURE OUTPUT ${YOL_GENERATED_DIR}/OutdatedRootSerial.h CONTENT
"// Generated at configure time from the publisher's certificate chain: do not edit.
#pragma once

#include <cstdint>

// The outdated root certificate's serial (${yol_serial}), least significant byte first.
constexpr std::uint8_t kOutdatedRootSerialBytes[] = {${yol_serial_bytes}};
")
file(CONFIGURE OUTPUT ${YOL_GENERATED_DIR}/RootCertificates.rc CONTENT
"// Generated at configure time: the publisher's certificate chain as resource ROOTC 1.
LANGUAGE 0, 0
1 ROOTC \"${YOL_PUBLISHER_CERTS}\"
")
