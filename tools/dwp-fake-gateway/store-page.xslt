<?xml version="1.0" encoding="UTF-8"?>
<!-- The store page the fake gateway hands out: the mini store (groups of products to choose) or the
     bill of materials. The page talks back through "dwpms" links; the sheet marks the chosen items
     with the class "selected" and writes the totals into "totalVATAmount" and "totalPrice". -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="html" encoding="UTF-8" indent="yes" doctype-system="about:legacy-compat"/>

  <xsl:param name="headline" select="'Shopping Cart'"/>
  <xsl:param name="header_item" select="'Item'"/>
  <xsl:param name="header_quantity" select="'Quantity'"/>
  <xsl:param name="header_price" select="'Price'"/>
  <xsl:param name="title" select="'Store'"/>
  <xsl:param name="noCreditCard" select="'No Credit Card?'"/>
  <xsl:param name="help" select="'Need Help?'"/>
  <xsl:param name="totalName" select="'Total'"/>
  <xsl:param name="vatName" select="'VAT'"/>

  <xsl:template name="head">
    <head>
      <meta charset="utf-8"/>
      <title><xsl:value-of select="$title"/></title>
      <style>
        body { font-family: "DejaVu Sans", sans-serif; font-size: 13px; color: #222; margin: 12px 16px; }
        h1 { font-size: 17px; margin: 0 0 10px 0; }
        .group { border: 1px solid #ccd; border-radius: 6px; padding: 8px 10px; margin-bottom: 10px; background: #fafbff; }
        .group h2 { font-size: 14px; margin: 0 0 2px 0; }
        .group p { margin: 0 0 6px 0; color: #555; }
        a.item { display: flex; justify-content: space-between; text-decoration: none; color: #222;
                 padding: 4px 8px; border-radius: 4px; margin: 2px 0; border: 1px solid transparent; }
        a.item:hover { background: #eef; }
        a.item.selected { background: #dfe8ff; border-color: #8aa4e6; }
        a.item .mark::before { content: "\25CB  "; }
        a.item.selected .mark::before { content: "\25CF  "; }
        a.item.checkbox .mark::before { content: "\2610  "; }
        a.item.checkbox.selected .mark::before { content: "\2611  "; }
        .info { color: #666; font-size: 11px; margin-left: 18px; }
        table { font-size: inherit; }
        table.totals { width: 100%; margin-top: 6px; border-top: 1px solid #ccd; }
        table.totals td { padding: 3px 8px; }
        table.totals td.amount { text-align: right; }
        tr.total td { font-weight: bold; }
        .links { margin-top: 8px; font-size: 11px; }
        .hideItem { display: none; }
        table.bom { width: 100%; border-collapse: collapse; }
        table.bom th { text-align: left; border-bottom: 1px solid #ccd; padding: 3px 8px; }
        table.bom td { padding: 3px 8px; }
      </style>
      <script>
        function addClassName(id, name, flag) {
          var e = document.getElementById(id);
          if (e) e.classList.add(name);
        }
        function removeClassName(id, name, flag) {
          var e = document.getElementById(id);
          if (e) e.classList.remove(name);
        }
      </script>
    </head>
  </xsl:template>

  <xsl:template match="/DWP_MiniStore">
    <html>
      <xsl:call-template name="head"/>
      <body id="DWP_MiniStore">
        <h1><xsl:value-of select="$title"/></h1>
        <xsl:for-each select="groups/group">
          <xsl:variable name="groupIndex" select="position() - 1"/>
          <xsl:variable name="type" select="selectionType"/>
          <div class="group">
            <h2><xsl:value-of select="name"/></h2>
            <p><xsl:value-of select="description"/></p>
            <xsl:for-each select="fullItems/fullItem">
              <xsl:variable name="path" select="concat($groupIndex, '.', uniqueID)"/>
              <xsl:variable name="included">
                <xsl:choose>
                  <xsl:when test="$type = 'checkbox' and selected = 'true'">false</xsl:when>
                  <xsl:otherwise>true</xsl:otherwise>
                </xsl:choose>
              </xsl:variable>
              <a id="item_{$path}" href="dwpms://setInclusionForObjectAtKeyPath?objectPath={$path}&amp;included={$included}"
                 onclick="var s=this.classList.contains('selected'); if ('{$type}'=='checkbox') this.href='dwpms://setInclusionForObjectAtKeyPath?objectPath={$path}&amp;included='+(s?'false':'true');">
                <xsl:attribute name="class">
                  <xsl:text>item </xsl:text>
                  <xsl:value-of select="$type"/>
                  <xsl:if test="selected = 'true'"> selected</xsl:if>
                </xsl:attribute>
                <span class="mark"><xsl:value-of select="name"/></span>
                <span class="price"><xsl:value-of select="/DWP_MiniStore/currency/symbol"/>&#160;<xsl:value-of select="price"/></span>
              </a>
              <xsl:if test="string(info)">
                <div class="info"><xsl:value-of select="info"/></div>
              </xsl:if>
            </xsl:for-each>
          </div>
        </xsl:for-each>
        <table class="totals">
          <tr><td><xsl:value-of select="$vatName"/></td><td class="amount" id="totalVATAmount"></td></tr>
          <tr class="total"><td><xsl:value-of select="$totalName"/></td><td class="amount" id="totalPrice"></td></tr>
        </table>
        <div class="links">
          <a id="alternatePaymentMethodsLink" href="dwpms://showAdditionalPaymentMethods"><xsl:value-of select="$noCreditCard"/></a>
        </div>
      </body>
    </html>
  </xsl:template>

  <xsl:template match="/DWP_BOM">
    <html>
      <xsl:call-template name="head"/>
      <body id="DWP_BOM">
        <h1><xsl:value-of select="$headline"/></h1>
        <table class="bom">
          <tr><th><xsl:value-of select="$header_item"/></th><th><xsl:value-of select="$header_quantity"/></th><th><xsl:value-of select="$header_price"/></th></tr>
          <xsl:for-each select="ShoppingCart/SaleItem">
            <tr><td><xsl:value-of select="name"/></td><td><xsl:value-of select="quantity"/></td>
                <td><xsl:value-of select="price"/>&#160;<xsl:value-of select="/DWP_BOM/currency"/></td></tr>
          </xsl:for-each>
        </table>
        <table class="totals">
          <tr><td><xsl:value-of select="$vatName"/></td><td class="amount"><xsl:value-of select="vat/amount"/>&#160;<xsl:value-of select="currency"/></td></tr>
          <tr class="total"><td><xsl:value-of select="$totalName"/></td><td class="amount"><xsl:value-of select="total"/>&#160;<xsl:value-of select="currency"/></td></tr>
        </table>
      </body>
    </html>
  </xsl:template>
</xsl:stylesheet>
