#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QScrollArea;
class TSpecialFrame;

/** Presents a new version and its release notes; Download or Later. */
class TfNewVersionDlg final : public QDialog {
    Q_OBJECT
public:
    explicit TfNewVersionDlg(QWidget* parent = nullptr);

    void AddHeader(const QString& text, const QColor& colour);
    void AddNote(const QString& text, const QColor& colour);
    void AddSection(const QString& title, const QString& text);

    TSpecialFrame* SpecialFrame1 = nullptr;
    QLabel* imgPlotvaneLogo = nullptr;
    QLabel* lbCurVersion = nullptr;
    QLabel* lbNewVersion = nullptr;
    TSpecialFrame* SpecialFrame2 = nullptr;
    QScrollArea* ScrollBox = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    /** Where the next block goes inside the scroll box. */
    int NextTop = 4;

private:
    void AddLabel(const QString& text, const QColor& colour, bool bold);
    QWidget* Notes() const;
    void FitNotes();
};
