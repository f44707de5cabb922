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
// "模拟卸载完成，未删除任何文件" (dry run complete, nothing deleted)
#define MSG_DRY_RUN                                                  \
    "\xC4\xA3\xC4\xE2\xD0\xB6\xD4\xD8\xCD\xEA\xB3\xC9\xA3\xAC" \
    "\xCE\xB4\xC9\xBE\xB3\xFD\xC8\xCE\xBA\xCE\xCE\xC4\xBC\xFE"
// "正在卸载，请稍候..." (uninstalling, please wait), in the progress window
#define MSG_REMOVING "\xD5\xFD\xD4\xDA\xD0\xB6\xD4\xD8\xA3\xAC\xC7\xEB\xC9\xD4\xBA\xF2..."
// "卸载完成，部分文件将在重新启动计算机后删除" (done; some files go when the computer restarts)
#define MSG_RESTART                                                  \
    "\xD0\xB6\xD4\xD8\xCD\xEA\xB3\xC9\xA3\xAC\xB2\xBF\xB7\xD6" \
    "\xCE\xC4\xBC\xFE\xBD\xAB\xD4\xDA\xD6\xD8\xD0\xC2\xC6\xF4" \
    "\xB6\xAF\xBC\xC6\xCB\xE3\xBB\xFA\xBA\xF3\xC9\xBE\xB3\xFD"
// "卸载失败  请先关闭程序: "
#define MSG_CLOSE_PROGRAM \
    "\xD0\xB6\xD4\xD8\xCA\xA7\xB0\xDC  \xC7\xEB\xCF\xC8\xB9\xD8\xB1\xD5\xB3\xCC\xD0\xF2: "

// Error codes, appended to one of the failure prefixes. Some name more than one cause.
#define CODE_NO_TEMP_DIR "2001"        // with one blank; "2001" with two is the next one
#define CODE_EMPTY_INSTALL_DIR "2001"  // -p came with an empty argument
#define CODE_COPY_FAILED "2003"        // the working copy could not be written
#define CODE_NO_MODULE_PATH "2005"
#define CODE_NO_INSTALL_DIR "2006"
#define CODE_START_FAILED "2008"  // the copy's command line could not be built, the copy was
                                  // not ours any more, or it could not be started
#define CODE_NO_MODULE_PATH_AGAIN "2009"
#define CODE_NO_CONFIG "2010"  // conf.xml missing or unreadable, or a list in it that cannot
                               // be passed on whole (too long, or holding a double quote)
#define CODE_REMOVAL_INCOMPLETE "2011"
#define CODE_DIR_REFUSED "2012"

// Exit codes of a quiet run beyond the codes above: the run removed everything listed, or a
// listed program runs (nothing was removed).
#define EXIT_SUCCEEDED 0
#define EXIT_PROGRAM_RUNNING 2013
#define EXIT_RESTART_NEEDED 3010  // what installers report when a restart finishes the job
