#pragma once

#include <QWidget>

class LanguageTable;
class QPushButton;
class QTextBrowser;

// The installer's guide: one Markdown page at a time, with its pictures, the links between
// pages, Back, Forward and the contents page. Nothing here needs a browser or the network.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    void applyLanguage(const LanguageTable& texts);
    // Shows the page file `file` (an absolute path; `fragment` may name a place in it);
    // `contents` is the page Home goes back to.
    void showPage(const QString& file, const QString& fragment, const QString& contents);
    // Shows `text` instead of a page, when the guide is not installed.
    void showMissing(const QString& text);

    QTextBrowser* browser() const { return TB_Guide; }
    // The page file shown, without a fragment; empty when none.
    QString currentFile() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void homeClicked();
    // Pictures wider than the page are shown at the page's width, never cut off.
    void fitPictures();
    void updateButtons();

    QTextBrowser* TB_Guide = nullptr;
    QPushButton* Btn_Back = nullptr;
    QPushButton* Btn_Forward = nullptr;
    QPushButton* Btn_Home = nullptr;
    QString contents_;
};
