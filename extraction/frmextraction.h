#pragma once

#include <QWidget>

class frmExtraction : public QWidget
{
    Q_OBJECT

public:
    explicit frmExtraction(QWidget *parent = nullptr);
};
