#pragma once
// Where the configuration checks report: the window's status line shows the
// texts green or red; tests record them. The status line is the only place
// that knows which colour is up at the moment, which the single-system
// range check asks before it reports success.

#include <QString>

namespace pim {

class ParamStatus {
public:
    enum class Kind { Ok, Fail }; // green, red

    virtual ~ParamStatus() = default;
    virtual void showStatus(Kind kind, const QString &text) = 0;
    // True while the line shows a green text.
    virtual bool isGreen() const = 0;

    void ok(const QString &text) { showStatus(Kind::Ok, text); }
    void fail(const QString &text) { showStatus(Kind::Fail, text); }
};

// A status that shows nothing and only remembers the last colour: for
// callers without a status line (the command-line tool, the change log).
class SilentParamStatus final : public ParamStatus {
public:
    void showStatus(Kind kind, const QString &) override { m_green = kind == Kind::Ok; }
    bool isGreen() const override { return m_green; }

private:
    bool m_green = false;
};

} // namespace pim
