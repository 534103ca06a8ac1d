# The loggers of the logging library, the file manager behind the file logger,
# the filters and formatters, and the crash handler.
target_sources(tessarin_logging PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/LGLogSupport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LGLogFileInfo.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LGLogFileManagerDefault.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LGFileLogger.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UncaughtExceptionHandler.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LGASLLogger.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LGASLLogCapture.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LGTTYLogger.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LGOSLogger.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LGContextFilterLogFormatter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LGDispatchQueueLogFormatter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LGMultiFormatter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LGBufferedProxy.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LGAbstractDatabaseLogger.cpp
)
