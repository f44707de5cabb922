// The user's texts, stored as code page 936 (GBK) bytes.
#pragma once

// "卸载失败 错误码:" (one blank)
#define MSG_FAILED_ONE_BLANK "\xD0\xB6\xD4\xD8\xCA\xA7\xB0\xDC \xB4\xED\xCE\xF3\xC2\xEB:"
// "卸载失败  错误码:" (two blanks)
#define MSG_FAILED_TWO_BLANKS "\xD0\xB6\xD4\xD8\xCA\xA7\xB0\xDC  \xB4\xED\xCE\xF3\xC2\xEB:"
// "确认卸载？"
#define MSG_CONFIRM "\xC8\xB7\xC8\xCF\xD0\xB6\xD4\xD8\xA3\xBF"
// "卸载成功!"
#define MSG_SUCCEEDED "\xD0\xB6\xD4\xD8\xB3\xC9\xB9\xA6!"
// "卸载失败  请先关闭程序: "
#define MSG_CLOSE_PROGRAM \
    "\xD0\xB6\xD4\xD8\xCA\xA7\xB0\xDC  \xC7\xEB\xCF\xC8\xB9\xD8\xB1\xD5\xB3\xCC\xD0\xF2: "

// Error codes, appended to one of the failure prefixes.
#define CODE_NO_TEMP_DIR "2001"        // also: -p given with an empty argument
#define CODE_COPY_FAILED "2003"
#define CODE_NO_MODULE_PATH "2005"
#define CODE_NO_INSTALL_DIR "2006"
#define CODE_START_FAILED "2008"
#define CODE_NO_MODULE_PATH_AGAIN "2009"
#define CODE_NO_CONFIG "2010"
#define CODE_REMOVAL_INCOMPLETE "2011"
#define CODE_DIR_REFUSED "2012"
