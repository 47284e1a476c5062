#pragma once
// Where tests find their inputs. The corpus of real files stays outside the
// project; generated assets live in the build tree.
#include <string>

inline std::string corpusPath(const std::string& relative) {
    return std::string(VEXEL_CORPUS_DIR) + "/" + relative;
}
inline std::string buildPath(const std::string& relative) {
    return std::string(VEXEL_BUILD_DIR) + "/" + relative;
}
