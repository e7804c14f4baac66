#include <QString> #include <QList>
