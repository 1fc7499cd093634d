// The licence agreement the licence window shows.
#include "app/window_definitions.h"

namespace app {

// Lines end in CR LF, as a multi-line text box expects them.
const std::u16string_view kLicenseText =
    u"VANTREL EDIT 98 LICENSE AGREEMENT\r\n"
    u"\r\n"
    u"Please read this agreement before you use the program. By installing, copying or "
    u"otherwise using Vantrel Edit 98 (the \"Software\") you agree to its terms. If you do "
    u"not agree, do not use the Software.\r\n"
    u"\r\n"
    u"1. GRANT. You may install and use any number of copies of the Software on computers "
    u"that you own or control, and you may give exact copies of it to others, provided "
    u"that every copy carries this agreement unchanged and that you charge nothing for it "
    u"beyond the cost of the medium.\r\n"
    u"\r\n"
    u"2. WHAT THE SOFTWARE DOES. The Software shows and changes the registration "
    u"information that the operating system keeps in its registry: the registered owner, "
    u"the registered organization, the product ID and the product key. It changes nothing "
    u"else. Changes take effect when you press OK and cannot be undone by the "
    u"Software.\r\n"
    u"\r\n"
    u"3. YOUR RESPONSIBILITY. The registry holds settings that the operating system and "
    u"other programs depend on. You are responsible for the values you enter and for "
    u"keeping a backup of your system before you change them. Do not enter a product ID "
    u"or product key that you are not entitled to use.\r\n"
    u"\r\n"
    u"4. NO WARRANTY. THE SOFTWARE IS PROVIDED \"AS IS\", WITHOUT WARRANTY OF ANY KIND, "
    u"EXPRESS OR IMPLIED, INCLUDING BUT NOT LIMITED TO THE WARRANTIES OF MERCHANTABILITY, "
    u"FITNESS FOR A PARTICULAR PURPOSE AND NON-INFRINGEMENT.\r\n"
    u"\r\n"
    u"5. NO LIABILITY. IN NO EVENT SHALL THE AUTHORS OR COPYRIGHT HOLDERS BE LIABLE FOR "
    u"ANY CLAIM, DAMAGES OR OTHER LIABILITY, WHETHER IN AN ACTION OF CONTRACT, TORT OR "
    u"OTHERWISE, ARISING FROM, OUT OF OR IN CONNECTION WITH THE SOFTWARE OR THE USE OR "
    u"OTHER DEALINGS IN THE SOFTWARE.\r\n"
    u"\r\n"
    u"6. TERMINATION. This agreement ends automatically if you break any of its terms. "
    u"You must then destroy every copy of the Software in your possession.\r\n"
    u"\r\n"
    u"This agreement is the whole agreement between you and the authors about the "
    u"Software, and it replaces anything said about the Software before.";

}  // namespace app
