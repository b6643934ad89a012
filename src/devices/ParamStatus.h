#pragma once
// Where the configuration checks report: the window's status line shows the
// texts as success or failure; tests record them. The status line is the only
// place that knows whether a success text is up at the moment, which the
// single-system range check asks before it reports success again.

#include <QString>

namespace pim {

class ParamStatus {
public:
    enum class Kind { Ok, Fail };

    virtual ~ParamStatus() = default;
    virtual void showStatus(Kind kind, const QString &text) = 0;
    // True while the line shows a success text.
    virtual bool lastOk() const = 0;

    void ok(const QString &text) { showStatus(Kind::Ok, text); }
    void fail(const QString &text) { showStatus(Kind::Fail, text); }
};

// A status that shows nothing and only remembers whether the last text
// told success: for callers without a status line (the command-line tool,
// the change log).
class SilentParamStatus final : public ParamStatus {
public:
    void showStatus(Kind kind, const QString &) override { m_ok = kind == Kind::Ok; }
    bool lastOk() const override { return m_ok; }

private:
    bool m_ok = false;
};

} // namespace pim
