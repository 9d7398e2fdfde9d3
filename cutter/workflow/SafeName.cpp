#include "SafeName.h"

namespace workflow {

QString SafeName(const QString& name) {
    QString s = name;
    s.remove(u'<');
    s.remove(u'>');
    s.replace(u'/', u'_');
    s.replace(u':', u' ');
    s.replace(u'*', u' ');
    s.replace(u'?', u' ');
    s.replace(u'|', u'-');
    s.remove(u'"');
    return s;
}

}  // namespace workflow
