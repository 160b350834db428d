#pragma once

#include <string>

#include "app/MessageService.h"

// Status images of the page list rows.
namespace PageImages {
constexpr int Reading = 0;
constexpr int Indexed = 1;
constexpr int Failure = 2;
} // namespace PageImages

// The controls an indexing run drives, by role. The folder job calls these from its own thread;
// each implementation decides how to reach its own thread (the window waits for the main thread,
// batch mode prints). A message box counts as answered with OK when the call returns.
class RunView : public MessageService {
public:
    virtual void clearPageList() = 0;
    virtual void insertPageRow(int row, const std::string& page, int image, const std::string& status) = 0;
    virtual void updatePageRow(int row, int image, const std::string& status) = 0;
    virtual void setStatusText(const std::string& text) = 0;
    virtual void setConnectionText(const std::string& text) = 0;
    virtual void setCurrentItem(const std::string& text) = 0;
    virtual void setThreadCountText(const std::string& text) = 0;
    virtual void setStopEnabled(bool enabled) = 0;
    virtual void setGoEnabled(bool enabled) = 0;
};
