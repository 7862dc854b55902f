#include "help/Instructions.h"

namespace popquell {

std::string instructionsText() {
    const std::string br = "\r\n";
    return "How to use it:" + br +
           "1. Click Select Window button." + br +
           "2. Click the top area (Title Bar) of the Internet Explorer window  you want .  You will "
           "be asked to choose Yes or No.  If Yes, ad(s) will be closed if there is(are) any "
           "come(s) up." + br +
           "3.  To select ANOTHER Internet Explorer window, REPEAT Step 1 and Step 2." + br +
           "4.  If a website has pop-ups but they are not ads, you can click Stop button. You would "
           "have to reclick links on this website to view contents of the popped up pages." + br +
           "5.  Then if there is any pop-up, just click Start button." + br + br +
           "EVERYTIME you click Select Window button, you have to click Start button to activate "
           "the software or Pop-ups will not be closed.";
}

}  // namespace popquell
